#include "shortcut/lanyard/lanyard.h"

#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>
#include <string.h>

#include "shell/ui/message_box.h"
#include "shared/shell_link/shell_link.h"

namespace {

const char kCaption[] = "Kovara - Lanyard";
const char kNotInstalled[] =
    "Kovara may not be properly installed on this system.\nTo reinstall, you must first uninstall the previous "
    "installation.\n\nShortcut in Start Menu will not be created.";
const char kNoShortcut[] = "Unable to create shortcut on start menu.\nCheck permissons.";
const int kIconResource = 104;

void Show(const char *text, UINT icon) { ShowMessageBox(nullptr, text, kCaption, MB_OK | icon); }

void SetterFailed(const char *message) { Show(message, MB_ICONWARNING); }

int Installed() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kovara", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    RegCloseKey(key);
    return 1;
}

int RegisterLanyardClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "LanyardKovara";
    return RegisterClassExA(&windowClass) != 0;
}

// Path of the common Start Menu folder; 0 when the shell has none.
int CommonStartMenu(char path[MAX_PATH]) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_STARTMENU, &list))) return 0;
    int found = SHGetPathFromIDListA(list, path) ? 1 : 0;
    IMalloc *malloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&malloc))) {
        malloc->Free(list);
        malloc->Release();
    }
    return found;
}

int FileExists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int RunLanyard(HINSTANCE instance) {
    if (!Installed()) {
        Show(kNotInstalled, MB_ICONINFORMATION);
        return 0;
    }
    // Held until the process ends.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "LanyardKovara");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    if (!mutex || !RegisterLanyardClass(instance)) {
        Show("Unable to instantiate lanyard process.", MB_ICONWARNING);
        return 0;
    }

    char programFolder[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, programFolder, MAX_PATH - 1);
    programFolder[length] = '\0';
    if (char *slash = strrchr(programFolder, '\\')) *slash = '\0';

    char startMenu[MAX_PATH];
    if (!CommonStartMenu(startMenu)) {
        Show(kNoShortcut, MB_ICONINFORMATION);
        return 0;
    }
    char shortcut[MAX_PATH], target[MAX_PATH], icon[MAX_PATH];
    if (!JoinFolderAndName(startMenu, "Kovara.lnk", shortcut, sizeof shortcut) ||
        !JoinFolderAndName(programFolder, "ShellHelperKO.exe", target, sizeof target) ||
        !JoinFolderAndName(programFolder, "udf.ico", icon, sizeof icon)) {
        Show(kNoShortcut, MB_ICONINFORMATION);
        return 0;
    }
    if (!FileExists(target) || !FileExists(icon)) {
        Show(kNotInstalled, MB_ICONINFORMATION);
        return 0;
    }

    ShellLinkSpec spec = {};
    spec.target = target;
    spec.workingFolder = programFolder;
    spec.description = "Kovara";
    spec.iconPath = icon;
    spec.iconIndex = 0;
    HRESULT ole = OleInitialize(nullptr);
    int made = SaveShellLink(shortcut, &spec, SetterFailed);
    if (SUCCEEDED(ole)) OleUninitialize();
    if (!made) Show(kNoShortcut, MB_ICONINFORMATION);
    return 0;
}
