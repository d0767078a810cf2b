// The one message box of the programs. Every box is system-modal; the caption
// names the program that shows it ("Kovara", "Kovara Installer",
// "Uninstall Kovara") or the box's own caption where it has one.
#pragma once
#include <windows.h>

extern const char kKovaraCaption[];  // "Kovara"

// type: buttons and icon (MB_OK | MB_ICONWARNING by default); MB_SYSTEMMODAL
// is always added. With MB_USERICON the icon is the resource userIcon of the
// program. Returns the button pressed (IDOK, IDYES, ...).
int ShowMessageBox(HWND owner, const char *text, const char *caption = kKovaraCaption,
                   UINT type = MB_OK | MB_ICONWARNING, int userIcon = 0);
