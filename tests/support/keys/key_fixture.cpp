#include "key_fixture.h"

#include <gtest/gtest.h>
#include <string.h>

#include "crypto/core/aes.h"
#include "crypto/core/sector.h"
#include "keys/core/user_info_record.h"
#include "keys/core/vault_info_record.h"

namespace {

void RemoveTree(const std::string &folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
    static int counter;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path = std::string(temp) + "kovara-keys-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    if (path.back() == '\\') path.pop_back();
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), NULL);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path); }

void WriteBytes(const std::string &path, const Bytes &data) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written = 0;
    if (!data.empty()) WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, NULL);
    CloseHandle(file);
    ASSERT_EQ(data.size(), written);
}

Bytes ReadBytes(const std::string &path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return Bytes();
    Bytes data(GetFileSize(file, NULL));
    DWORD got = 0;
    if (!data.empty()) ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, NULL);
    CloseHandle(file);
    data.resize(got);
    return data;
}

bool FileExists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string SystemReported(DWORD error) {
    if (error == ERROR_SUCCESS) return "";
    char *text = NULL;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                   error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, NULL);
    std::string tail = text ? std::string("\n\n\nSystem Reported Error:\n") + text : "";
    if (text) LocalFree(text);
    return tail;
}

Bytes Pattern(size_t length, unsigned seed) {
    Bytes out(length);
    unsigned x = seed * 2654435761u + 7;
    for (auto &b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 16);
    }
    return out;
}

TestUser::TestUser(const std::string &name_, const std::string &password_, const std::string &vaultPath_, unsigned seed)
    : name(name_),
      password(password_),
      vaultPath(vaultPath_),
      salt(Pattern(20, seed)),
      keyBlock(Pattern(256, seed + 1000)),
      record(852),
      vaultKey(32) {
    EXPECT_EQ(1, BuildUserInfo(salt.data(), keyBlock.data(), password.c_str(), vaultPath.c_str(), record.data()));
    ComputeVaultKey(keyBlock.data(), 256, vaultKey.data());
}

Bytes PlainFirstSector() {
    Bytes sector(512, 0);
    const char text[] = "KOVARA-TEST-VOLUME";
    memcpy(sector.data() + 3, text, sizeof text);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

void MakeVaultFile(const std::string &path, const Bytes &vaultKey, long long size) {
    Bytes sector = PlainFirstSector();
    AesContext context;
    memset(&context, 0, sizeof context);
    AesSetKey(vaultKey.data(), 32, 0, &context);
    SectorCounter counter = {{0, 0, 0, 0}};
    SectorEncrypt(sector.data(), 512, &counter, &context);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written = 0;
    WriteFile(file, sector.data(), static_cast<DWORD>(size < 512 ? size : 512), &written, NULL);
    LARGE_INTEGER end;
    end.QuadPart = size;
    SetFilePointerEx(file, end, NULL, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

Bytes VaultInfoFor(const std::string &vaultPath, const Bytes &keyBlock) {
    Bytes sector = ReadBytes(vaultPath);
    sector.resize(512);
    Bytes info(512);
    EXPECT_EQ(1, SealVaultInfoRecord(sector.data(), keyBlock.data(), info.data()));
    return info;
}
