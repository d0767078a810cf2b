// Sectors written through the drive device are stored in the container with
// AES-256 in the sector chaining, the sector number as counter.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "crypto/core/aes.h"
#include "crypto/core/sector.h"
#include "driver_fixture.h"
#include "shared/driver/driver_calls.h"

using namespace drivertest;

namespace {

// Page-aligned buffers, as unbuffered device I/O wants them.
struct Buffer {
    explicit Buffer(size_t n) : size(n), data((unsigned char *)VirtualAlloc(NULL, n, MEM_COMMIT, PAGE_READWRITE)) {}
    ~Buffer() { VirtualFree(data, 0, MEM_RELEASE); }
    size_t size;
    unsigned char *data;
};

bool Transfer(HANDLE drive, bool write, unsigned long long offset, unsigned char *data, DWORD length) {
    OVERLAPPED at = {};
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    DWORD done = 0;
    BOOL ok = write ? WriteFile(drive, data, length, &done, &at) : ReadFile(drive, data, length, &done, &at);
    return ok && done == length;
}

void Fill(unsigned char *data, size_t length, unsigned seed) {
    for (size_t i = 0; i < length; ++i) data[i] = (unsigned char)(seed * 131 + i * 7 + (i >> 9));
}

std::vector<unsigned char> ReadContainer(const std::string &path, unsigned long long offset, DWORD length) {
    std::vector<unsigned char> data(length);
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)offset;
    SetFilePointerEx(file, at, NULL, FILE_BEGIN);
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file, data.data(), length, &got, NULL));
    EXPECT_EQ(length, got);
    CloseHandle(file);
    return data;
}

void Decrypt(std::vector<unsigned char> &data, unsigned long long firstSector, const unsigned char *key) {
    AesContext context;
    memset(&context, 0, sizeof context);
    ASSERT_EQ(kAesKeyOk, AesSetKey(key, 32, 0, &context));
    SectorCounter counter = {{(uint32_t)firstSector, (uint32_t)(firstSector >> 32), 0, 0}};
    SectorDecrypt(data.data(), (int)data.size(), &counter, &context);
}

class SectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetServiceRunning(true));
        letter = FreeLetter();
        ASSERT_NE(0, letter);
        ResetDriver(letter);
        path = folder.path + "\\sectors.udf";
        ASSERT_EQ(0u, OpenVaultOn(letter, path, 5));
        drive = OpenDriveDevice(letter);
        ASSERT_NE(INVALID_HANDLE_VALUE, drive);
    }
    void TearDown() override {
        if (drive != INVALID_HANDLE_VALUE) CloseHandle(drive);
        ResetDriver(letter);
    }

    char letter = 0;
    TempFolder folder;
    std::string path;
    HANDLE drive = INVALID_HANDLE_VALUE;
};

TEST_F(SectorTest, WrittenSectorsReadBackAndAreStoredEncrypted) {
    Buffer first(512), run(4 * 512), back(4 * 512);
    Fill(first.data, 512, 1);
    Fill(run.data, run.size, 2);
    ASSERT_TRUE(Transfer(drive, true, 0, first.data, 512));
    ASSERT_TRUE(Transfer(drive, true, 100 * 512, run.data, 4 * 512));  // one request, four sectors

    ASSERT_TRUE(Transfer(drive, false, 100 * 512, back.data, 4 * 512));
    EXPECT_EQ(0, memcmp(run.data, back.data, run.size));
    ASSERT_TRUE(Transfer(drive, false, 101 * 512, back.data, 512));  // a single sector of the run
    EXPECT_EQ(0, memcmp(run.data + 512, back.data, 512));
    CloseHandle(drive);
    drive = INVALID_HANDLE_VALUE;
    ResetDriver(letter);

    // The container's first sector decrypts with counter 0 and the vault key.
    std::vector<unsigned char> stored = ReadContainer(path, 0, 512);
    EXPECT_NE(0, memcmp(stored.data(), first.data, 512));
    Decrypt(stored, 0, kVaultKey);
    EXPECT_EQ(0, memcmp(stored.data(), first.data, 512));

    // Sector n is chained from counter n, each sector on its own.
    stored = ReadContainer(path, 100 * 512, 4 * 512);
    EXPECT_NE(0, memcmp(stored.data(), run.data, run.size));
    std::vector<unsigned char> third(stored.begin() + 2 * 512, stored.begin() + 3 * 512);
    Decrypt(stored, 100, kVaultKey);
    EXPECT_EQ(0, memcmp(stored.data(), run.data, run.size));
    Decrypt(third, 102, kVaultKey);
    EXPECT_EQ(0, memcmp(third.data(), run.data + 2 * 512, 512));
}

TEST_F(SectorTest, ContentsSurviveAReopenWithTheSameKey) {
    Buffer data(512), back(512);
    Fill(data.data, 512, 3);
    ASSERT_TRUE(Transfer(drive, true, 7 * 512, data.data, 512));
    CloseHandle(drive);
    drive = INVALID_HANDLE_VALUE;
    ResetDriver(letter);

    ASSERT_EQ(0u, OpenVaultOn(letter, path, 5));
    drive = OpenDriveDevice(letter);
    ASSERT_NE(INVALID_HANDLE_VALUE, drive);
    ASSERT_TRUE(Transfer(drive, false, 7 * 512, back.data, 512));
    EXPECT_EQ(0, memcmp(data.data, back.data, 512));
    EXPECT_EQ(5 * 1048576ll, FileSizeOf(path));
}

TEST_F(SectorTest, TransfersOutsideTheVolumeOrNotWholeSectorsFail) {
    Buffer data(1024);
    Fill(data.data, 1024, 4);
    const unsigned long long end = 5ull * 1048576;
    EXPECT_FALSE(Transfer(drive, true, end, data.data, 512));
    EXPECT_FALSE(Transfer(drive, false, end, data.data, 512));
    EXPECT_FALSE(Transfer(drive, true, 100, data.data, 512)) << "offset inside a sector";
    EXPECT_FALSE(Transfer(drive, true, 512, data.data, 100)) << "part of a sector";
    EXPECT_EQ(5 * 1048576ll, FileSizeOf(path)) << "the container does not grow";
    // The last sector itself is writable.
    EXPECT_TRUE(Transfer(drive, true, end - 512, data.data, 512));
}

}  // namespace

namespace {

// A volume reports the file system its boot sector names, as a mounted file
// system would; an unformatted one is not recognised.
TEST_F(SectorTest, VolumeInformationFollowsTheBootSector) {
    char root[] = " :\\";
    root[0] = letter;
    char fileSystem[32] = "";
    DWORD serial = 0, component = 0, flags = 0;
    EXPECT_FALSE(GetVolumeInformationA(root, NULL, 0, &serial, &component, &flags, fileSystem, sizeof fileSystem));
    EXPECT_EQ((DWORD)ERROR_UNRECOGNIZED_VOLUME, GetLastError());

    Buffer boot(512);
    memset(boot.data, 0, 512);
    memcpy(boot.data, "\xEB\x52\x90NTFS    ", 11);
    const unsigned char serialBytes[8] = {0x78, 0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x90};
    memcpy(boot.data + 0x48, serialBytes, 8);
    boot.data[510] = 0x55;
    boot.data[511] = 0xAA;
    ASSERT_TRUE(Transfer(drive, true, 0, boot.data, 512));

    ASSERT_TRUE(GetVolumeInformationA(root, NULL, 0, &serial, &component, &flags, fileSystem, sizeof fileSystem))
        << GetLastError();
    EXPECT_STREQ("NTFS", fileSystem);
    EXPECT_EQ(0x12345678u, serial);
    EXPECT_EQ(255u, component);
}

}  // namespace
