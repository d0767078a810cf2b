// DefVaults lookup, OpenVault and the drive icon entry.
#include <windows.h>
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "maintenance/registry/registry_settings.h"

namespace {

std::string ReadValue(const char *keyPath, const char *name) {
    char data[1024] = "";
    DWORD size = sizeof data - 1, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    LONG result = RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return "<no value>";
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    return data;
}

void SetRaw(const char *name, const void *data, DWORD size) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kovara\\DefVaults", 0, NULL, 0,
                                             KEY_ALL_ACCESS, NULL, &key, NULL));
    RegSetValueExA(key, name, 0, REG_SZ, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
}

}  // namespace

TEST(DefVaults, RegisteredPathIsFoundAndSingleCharacterIsNoRegistration) {
    ASSERT_EQ(1, RegisterVault("Reg User", "C:\\Kovara\\Vault\\Kovara_Reg User.udf"));
    EXPECT_EQ(1, AnyVaultRegistered());
    char path[261];
    ASSERT_EQ(1, FindVault("Reg User", path, sizeof path));
    EXPECT_STREQ("C:\\Kovara\\Vault\\Kovara_Reg User.udf", path);
    EXPECT_EQ(1, FindVault("reg user", path, sizeof path)) << "value names ignore case";

    RegisterVault("One Char", "C");
    EXPECT_EQ(0, FindVault("One Char", path, sizeof path));
    RegisterVault("Two Chars", "C:");
    EXPECT_EQ(1, FindVault("Two Chars", path, sizeof path));
    EXPECT_EQ(0, FindVault("Nobody", path, sizeof path));

    EXPECT_EQ(1, UnregisterVault("Reg User"));
    EXPECT_EQ(0, FindVault("Reg User", path, sizeof path));
    EXPECT_EQ(0, UnregisterVault("Reg User"));
    UnregisterVault("One Char");
    UnregisterVault("Two Chars");
}

TEST(DefVaults, OverlongOrUnterminatedValuesStayInsideTheBuffer) {
    std::string longPath(300, 'x');
    SetRaw("Long Path", longPath.c_str(), static_cast<DWORD>(longPath.size() + 1));
    char path[261];
    memset(path, '#', sizeof path);
    EXPECT_EQ(0, FindVault("Long Path", path, sizeof path));

    // A value stored without its NUL is still read as the text it holds.
    const char raw[] = {'D', ':', '\\', 'v', '.', 'u', 'd', 'f'};
    SetRaw("No Nul", raw, sizeof raw);
    ASSERT_EQ(1, FindVault("No Nul", path, sizeof path));
    EXPECT_STREQ("D:\\v.udf", path);
    char small[5];
    EXPECT_EQ(0, FindVault("No Nul", small, sizeof small)) << "a buffer too small is refused, not overrun";
    UnregisterVault("Long Path");
    UnregisterVault("No Nul");
}

TEST(VaultStatus, OpenVaultIsSetReadAndCleared) {
    ClearOpenVault();
    char text[261];
    EXPECT_EQ(0, ReadOpenVault(text, sizeof text));
    ASSERT_EQ(1, SetOpenVault("F:"));
    EXPECT_EQ("F:", ReadValue("SOFTWARE\\Kovara\\VaultStatus", "OpenVault"));
    ASSERT_EQ(1, ReadOpenVault(text, sizeof text));
    EXPECT_STREQ("F:", text);
    ClearOpenVault();
    EXPECT_EQ("<no value>", ReadValue("SOFTWARE\\Kovara\\VaultStatus", "OpenVault"));
    ClearOpenVault();  // nothing left to delete: no error, no change
    EXPECT_EQ(0, ReadOpenVault(text, sizeof text));
}

TEST(DriveIcons, EntryNamesUdfIconInTheProgramFolder) {
    ASSERT_EQ(1, WriteDriveIcon('Q', "C:\\Program Files\\Kovara"));
    EXPECT_EQ("C:\\Program Files\\Kovara\\udf.ico",
              ReadValue("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\Q\\DefaultIcon", NULL));
}
