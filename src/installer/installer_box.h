// Message boxes of the installer: system-modal, caption "Kovara Installer"
// unless the call names another.
#pragma once
#include <windows.h>

int InstallerBox(HWND owner, const char *text, UINT flags);
int InstallerBoxCaption(HWND owner, const char *text, const char *caption, UINT flags);
// text + "\n\n" + the system's text for the last error, caption "System
// Reported Error", error icon.
void InstallerSystemErrorBox(HWND owner, const char *text);
