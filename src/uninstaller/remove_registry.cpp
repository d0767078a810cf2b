#include "uninstaller/remove_registry.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

namespace {

const char *const kClassKeys[] = {"SOFTWARE\\Classes\\Kovara\\DefaultIcon",
                                  "SOFTWARE\\Classes\\Kovara\\shell\\open\\command",
                                  "SOFTWARE\\Classes\\Kovara\\shell\\open",
                                  "SOFTWARE\\Classes\\Kovara\\shell",
                                  "SOFTWARE\\Classes\\Kovara",
                                  "SOFTWARE\\Classes\\.udf"};
const char *const kProductKeys[] = {"DefVaults", "VaultStatus", "BkupReminder", "PwdReminder", "RegisteredTokens"};

// Opens and deletes one sub-key of SOFTWARE\Kovara; a missing key is fine.
int DeleteProductKey(const char *name) {
    std::string path = std::string("SOFTWARE\\Kovara\\") + name;
    HKEY key;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return 1;
    if (opened != ERROR_SUCCESS) return 0;
    RegCloseKey(key);
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
}

}  // namespace

int RemoveKovaraRegistry() {
    for (const char *path : kClassKeys) RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);

    int failures = 0;
    for (const char *name : kProductKeys) failures += DeleteProductKey(name) ? 0 : 1;
    int removed = 0;
    if (!failures) {
        LONG deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kovara");
        removed = deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kovara");
    if (removed) return 1;

    // Second pass: each key with everything below it.
    for (const char *name : kProductKeys)
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string("Software\\Kovara\\") + name).c_str());
    DWORD deleted = SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Kovara");
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}
