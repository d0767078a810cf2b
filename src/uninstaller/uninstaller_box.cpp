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

std::string SystemErrorText(DWORD error) {
    char *text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = text ? text : "";
    if (text) LocalFree(text);
    return result;
}
