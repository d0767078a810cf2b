#include "installer/install_registry.h"

#include <string.h>

#include <string>

namespace {

int SetString(HKEY key, const char *name, const std::string &data) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.c_str()),
                          static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

void SetDefault(HKEY root, const char *path, const std::string &data) {
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
    SetString(key, nullptr, data);
    RegCloseKey(key);
}

}  // namespace

void RegisterFileType(const char *programFolder) {
    const std::string folder(programFolder);
    SetDefault(HKEY_CLASSES_ROOT, ".udf", "Kovara");
    SetDefault(HKEY_CLASSES_ROOT, "Kovara", "Kovara");
    SetDefault(HKEY_CLASSES_ROOT, "Kovara\\DefaultIcon", folder + "\\udf.ico");
    SetDefault(HKEY_CLASSES_ROOT, "KovaraPE\\shell\\open\\command", folder + "\\ShellHelperKO.exe %1");
}

int RegisterUninstaller(const char *programFolder) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kovara", 0,
                        nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 0;
    int written = SetString(key, "DisplayName", "Kovara") &&
                  SetString(key, "UninstallString", std::string(programFolder) + "\\uninstall_kovara.exe");
    RegCloseKey(key);
    return written;
}

InstallPathResult RegisterInstallPath(const char *programFolder) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kovara", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return kInstallPathNoKey;
    int written = SetString(key, "InstallPath", programFolder);
    RegCloseKey(key);
    return written ? kInstallPathWritten : kInstallPathNoValue;
}

void DeleteDriverRunOnce() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0, KEY_SET_VALUE,
                      &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, "KovdevUninstall");
    RegCloseKey(key);
}
