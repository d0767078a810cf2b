// Message boxes of the uninstaller: system-modal, caption "Uninstall Kovara"
// unless the call names another.
#pragma once
#include <windows.h>

#include <string>

int UninstallerBox(const char *text, UINT flags);
int UninstallerBoxCaption(const char *text, const char *caption, UINT flags);
// "Uninstallation aborted due to:\n" + text, with a beep and the error icon.
void FatalUninstallBox(const char *text);
