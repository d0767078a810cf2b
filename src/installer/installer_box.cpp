#include "installer/installer_box.h"

#include <string>

#include "shell/ui/message_box.h"
#include "shell/ui/system_error_text.h"

int InstallerBoxCaption(HWND owner, const char *text, const char *caption, UINT flags) {
    return ShowMessageBox(owner, text, caption, flags);
}

int InstallerBox(HWND owner, const char *text, UINT flags) {
    return InstallerBoxCaption(owner, text, "Kovara Installer", flags);
}

void InstallerSystemErrorBox(HWND owner, const char *text) {
    std::string joined = std::string(text) + "\n\n" + SystemErrorText(GetLastError());
    InstallerBoxCaption(owner, joined.c_str(), "System Reported Error", MB_OK | MB_ICONERROR);
}
