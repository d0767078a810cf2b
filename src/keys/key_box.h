// Message boxes of the key operations: caption "Kovara", system-modal.
#pragma once
#include <windows.h>

int KeyWarningBox(HWND owner, const char *text);
