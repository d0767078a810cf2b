#include "uninstaller/uninstaller_box.h"

#include "shell/ui/message_box.h"

int UninstallerBoxCaption(const char *text, const char *caption, UINT flags) {
    return ShowMessageBox(nullptr, text, caption, flags);
}

int UninstallerBox(const char *text, UINT flags) { return UninstallerBoxCaption(text, "Uninstall Kovara", flags); }

void FatalUninstallBox(const char *text) {
    MessageBeep(MB_ICONERROR);
    UninstallerBox((std::string("Uninstallation aborted due to:\n") + text).c_str(), MB_OK | MB_ICONERROR);
}
