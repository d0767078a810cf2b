// Message boxes of user creation, formatting and backups: system-modal, with
// the caption "Kovara" unless another is given.
#pragma once
#include <windows.h>

int CreationBox(HWND owner, const char *text, UINT type, const char *caption = "Kovara");
inline int CreationWarning(HWND owner, const char *text) { return CreationBox(owner, text, MB_OK | MB_ICONWARNING); }
inline int CreationNotice(HWND owner, const char *text) {
    return CreationBox(owner, text, MB_OK | MB_ICONINFORMATION);
}
