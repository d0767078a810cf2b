// The HTML Help call, bound to the system's viewer at first use. When the
// viewer cannot be bound, this and every later call return 0.
#pragma once
#include <windows.h>

HWND ShowHtmlHelp(HWND owner, const char *file, UINT command, DWORD_PTR data);
