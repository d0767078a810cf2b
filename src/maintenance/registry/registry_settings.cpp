#include "maintenance/registry/registry_settings.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

const char kDefVaultsKey[] = "SOFTWARE\\Kovara\\DefVaults";
const char kVaultStatusKey[] = "SOFTWARE\\Kovara\\VaultStatus";
const char kOpenVaultValue[] = "OpenVault";

int SetString(const char *keyPath, const char *valueName, const char *data) {
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return 0;
    LONG result = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(data),
                                 static_cast<DWORD>(strlen(data) + 1));
    RegCloseKey(key);
    SetLastError(static_cast<DWORD>(result));  // the cause, for a caller's system error box
    return result == ERROR_SUCCESS;
}

// Reads a string value of at most 261 bytes. Registry strings need not carry
// their NUL, so the copy is always terminated inside the caller's buffer.
int GetString(const char *keyPath, const char *valueName, char *text, size_t textSize) {
    if (textSize == 0) return 0;
    text[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    char data[kPathSize + 1];
    DWORD type = 0, size = kPathSize;
    LONG result = RegQueryValueExA(key, valueName, NULL, &type, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return 0;
    data[size] = '\0';
    size_t length = strlen(data);
    if (length >= textSize) return 0;
    memcpy(text, data, length + 1);
    return 1;
}

int DeleteValue(const char *keyPath, const char *valueName) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    LONG result = RegDeleteValueA(key, valueName);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace

int RegisterVault(const char *userName, const char *containerPath) {
    return SetString(kDefVaultsKey, userName, containerPath);
}

int FindVault(const char *userName, char *path, size_t pathSize) {
    char data[kPathSize];
    if (!GetString(kDefVaultsKey, userName, data, sizeof data) || strlen(data) <= 1) return 0;
    if (strlen(data) >= pathSize) return 0;
    strcpy(path, data);
    return 1;
}

int UnregisterVault(const char *userName) { return DeleteValue(kDefVaultsKey, userName); }

int AnyVaultRegistered() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDefVaultsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD values = 0;
    LONG result = RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && values > 0;
}

int SetOpenVault(const char *drive) { return SetString(kVaultStatusKey, kOpenVaultValue, drive); }

void ClearOpenVault() { DeleteValue(kVaultStatusKey, kOpenVaultValue); }

int ReadOpenVault(char *text, size_t textSize) { return GetString(kVaultStatusKey, kOpenVaultValue, text, textSize); }

int OpenVaultPresent() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVaultStatusKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    LONG result = RegQueryValueExA(key, kOpenVaultValue, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

int WriteDriveIcon(char letter, const char *programFolder) {
    char keyPath[128];
    snprintf(keyPath, sizeof keyPath,
             "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\%c\\DefaultIcon", letter);
    char icon[MAX_PATH + 16];
    if (snprintf(icon, sizeof icon, "%s\\udf.ico", programFolder) >= static_cast<int>(sizeof icon)) return 0;
    return SetString(keyPath, NULL, icon);
}

namespace {

const char kRemindValue[] = "Remind";
const char kKovaraKey[] = "SOFTWARE\\Kovara";
const char kFirstUseValue[] = "FirstUse";

const char *ReminderKey(ReminderKind kind) {
    return kind == kPasswordReminder ? "SOFTWARE\\Kovara\\PwdReminder" : "SOFTWARE\\Kovara\\BkupReminder";
}

}  // namespace

int SetReminder(ReminderKind kind, int on) {
    if (on) return SetString(ReminderKey(kind), kRemindValue, "Yes");
    HKEY key;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ReminderKey(kind), 0, KEY_SET_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return 1;
    if (opened != ERROR_SUCCESS) return 0;
    LONG result = RegDeleteValueA(key, kRemindValue);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

int ReminderOn(ReminderKind kind) {
    char text[8];
    return GetString(ReminderKey(kind), kRemindValue, text, sizeof text) && lstrcmpiA(text, "Yes") == 0;
}

int ReadFirstUse(int *year, int *month, int *day) {
    char text[16];
    if (!GetString(kKovaraKey, kFirstUseValue, text, sizeof text)) return 0;
    char rest = 0;
    if (sscanf(text, "%4d-%2d-%2d%c", year, month, day, &rest) != 3) return 0;
    return *year >= 1601 && *year <= 30827 && *month >= 1 && *month <= 12 && *day >= 1 && *day <= 31;
}

int RecordFirstUse(int year, int month, int day) {
    char text[16];
    snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return SetString(kKovaraKey, kFirstUseValue, text);
}
