// The system error box: a fixed text followed by the system's text for the
// calling thread's last error.
#pragma once
#include <windows.h>

void SystemErrorBox(HWND owner, const char *text);
// A box holding only the system's text for the last error.
void LastErrorBox(HWND owner);
