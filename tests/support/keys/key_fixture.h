// Test fixtures for the key files under Wine: users with their records,
// vault files whose first sector is sealed under the user's vault key, and
// scratch folders.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// A fresh folder under the temporary folder, removed with its files at the end.
struct ScratchFolder {
    std::string path;
    ScratchFolder();
    ~ScratchFolder();
    std::string File(const std::string &name) const { return path + "\\" + name; }
};

void WriteBytes(const std::string &path, const Bytes &data);
Bytes ReadBytes(const std::string &path);
bool FileExists(const std::string &path);

// The whole tail the system error box appends for an error:
// "\n\n\nSystem Reported Error:\n" and the system's text, or nothing for 0.
std::string SystemReported(DWORD error);

// Deterministic bytes for a seed.
Bytes Pattern(size_t length, unsigned seed);

struct TestUser {
    std::string name;
    std::string password;
    std::string vaultPath;
    Bytes salt;      // 20
    Bytes keyBlock;  // 256
    Bytes record;    // 852
    Bytes vaultKey;  // 32
    TestUser(const std::string &name, const std::string &password, const std::string &vaultPath, unsigned seed);
};

// The plain first sector the fixture vaults hold.
Bytes PlainFirstSector();

// Writes a vault file of `size` bytes whose first sector is PlainFirstSector()
// sealed under the vault key, sector counter 0.
void MakeVaultFile(const std::string &path, const Bytes &vaultKey, long long size);

// The vault information file for that vault (512 bytes).
Bytes VaultInfoFor(const std::string &vaultPath, const Bytes &keyBlock);
