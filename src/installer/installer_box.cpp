#include "installer/installer_box.h"

#include <string>

#include "shell/ui/message_box.h"

int InstallerBoxCaption(HWND owner, const char *text, const char *caption, UINT flags) {
    return ShowMessageBox(owner, text, caption, flags);
}

int InstallerBox(HWND owner, const char *text, UINT flags) {
    return InstallerBoxCaption(owner, text, "Kovara Installer", flags);
}

void InstallerSystemErrorBox(HWND owner, const char *text) {
    DWORD error = GetLastError();
    char *system = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&system), 0, nullptr);
    std::string joined = std::string(text) + "\n\n" + (system ? system : "");
    if (system) LocalFree(system);
    InstallerBoxCaption(owner, joined.c_str(), "System Reported Error", MB_OK | MB_ICONERROR);
}
