// The driver interface against the running stand-in vault driver.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <string.h>

#include "driver_fixture.h"
#include "shared/driver/driver_calls.h"
#include "mount/core/open_request.h"

using namespace drivertest;

namespace {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetServiceRunning(true)) << "the stand-in driver service does not run";
        letter = FreeLetter();
        ASSERT_NE(0, letter);
        ResetDriver(letter);
    }
    void TearDown() override { ResetDriver(letter); }

    char letter = 0;
    TempFolder folder;
};

unsigned char StatusByte() {
    HANDLE control = OpenControlDevice();
    unsigned char status[KOVDEV_STATUS_SIZE];
    memset(status, 0xCC, sizeof status);
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(control, KOVDEV_IOCTL_STATUS, NULL, 0, status, sizeof status, &returned, NULL);
    CloseHandle(control);
    EXPECT_TRUE(ok);
    EXPECT_EQ(KOVDEV_STATUS_SIZE, returned);
    return status[0];
}

TEST_F(DriverTest, ReadyOnlyWhileTheServiceRuns) {
    ASSERT_TRUE(SetServiceRunning(false));
    EXPECT_EQ(0, DriverReady());
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenControlDevice());
    ASSERT_TRUE(SetServiceRunning(true));
    EXPECT_EQ(1, DriverReady());
    EXPECT_EQ(0, StatusByte());
}

TEST_F(DriverTest, OpenCreatesTheContainerForEachNameForm) {
    // The local form, the rooted (already kernel) form and the network form;
    // the test bed maps the share \\kovhost\share onto a folder of the prefix.
    struct Case {
        std::string path;
        std::string file;
        unsigned sizeMb;
    } cases[] = {
        {folder.path + "\\local.udf", folder.path + "\\local.udf", 5},
        {"\\??\\" + folder.path + "\\rooted.udf", folder.path + "\\rooted.udf", 6},
        {"\\\\kovhost\\share\\network.udf", "\\\\kovhost\\share\\network.udf", 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        DeleteFileA(c.file.c_str());
        ASSERT_EQ(0u, OpenVaultOn(letter, c.path, c.sizeMb));
        EXPECT_EQ(c.sizeMb * 1048576ll, FileSizeOf(c.file));
        KovdevInspect state;
        ASSERT_TRUE(Inspect(&state));
        EXPECT_EQ(1u, state.vaultOpen);
        EXPECT_EQ(c.sizeMb * 1048576ull, state.volumeBytes);
        EXPECT_EQ(letter, state.letter);
        EXPECT_EQ(0u, state.keyIsZero);
        ResetDriver(letter);
        ASSERT_TRUE(Inspect(&state));
        EXPECT_EQ(1u, state.keyIsZero) << "release keeps key material";
        DeleteFileA(c.file.c_str());
    }
}

TEST_F(DriverTest, AnExistingContainerKeepsItsContents) {
    std::string path = folder.path + "\\kept.udf";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    std::vector<char> data(6 * 1048576, 'k');
    DWORD written = 0;
    WriteFile(file, data.data(), (DWORD)data.size(), &written, NULL);
    CloseHandle(file);

    ASSERT_EQ(0u, OpenVaultOn(letter, path, 5));  // smaller volume than file: allowed
    ResetDriver(letter);
    EXPECT_EQ(6 * 1048576ll, FileSizeOf(path));
    EXPECT_EQ(ERROR_HANDLE_EOF, OpenVaultOn(letter, path, 7)) << "a volume larger than its container";
}

TEST_F(DriverTest, StatusShowsTheOpenVaultAndASecondOpenIsRefused) {
    EXPECT_EQ(0, StatusByte());
    ASSERT_EQ(0u, OpenVaultOn(letter, folder.path + "\\first.udf", 5));
    EXPECT_EQ(1, StatusByte());
    EXPECT_EQ(0, DriverReady());

    HANDLE drive = OpenDriveDevice(letter);
    ASSERT_NE(INVALID_HANDLE_VALUE, drive);
    size_t sent = 0;
    std::vector<unsigned char> request = MakeRequest(folder.path + "\\second.udf", letter, 5, &sent);
    EXPECT_EQ(0, SendOpenRequest(drive, request.data(), (DWORD)sent));
    EXPECT_EQ((DWORD)ERROR_BUSY, GetLastError());
    EXPECT_EQ(-1, FileSizeOf(folder.path + "\\second.udf"));

    char mounted = 0;
    EXPECT_EQ(1, ReadMountedLetter(drive, &mounted));
    EXPECT_EQ(letter, mounted);
    CloseHandle(drive);
}

TEST_F(DriverTest, MountedRecordOfAnIdleDriverHasNoLetter) {
    ASSERT_TRUE(DefineVaultDrive(letter));
    HANDLE drive = OpenDriveDevice(letter);
    ASSERT_NE(INVALID_HANDLE_VALUE, drive);
    char mounted = 'x';
    EXPECT_EQ(0, ReadMountedLetter(drive, &mounted));
    EXPECT_EQ(0, mounted);
    CloseHandle(drive);
}

TEST_F(DriverTest, DiskQueriesDescribeTheOpenVolume) {
    ASSERT_EQ(0u, OpenVaultOn(letter, folder.path + "\\disk.udf", 9));
    HANDLE drive = OpenDriveDevice(letter);
    ASSERT_NE(INVALID_HANDLE_VALUE, drive);
    DWORD returned = 0;
    GET_LENGTH_INFORMATION length = {};
    ASSERT_TRUE(DeviceIoControl(drive, IOCTL_DISK_GET_LENGTH_INFO, NULL, 0, &length, sizeof length, &returned, NULL));
    EXPECT_EQ(9 * 1048576ll, length.Length.QuadPart);
    DISK_GEOMETRY geometry = {};
    ASSERT_TRUE(
        DeviceIoControl(drive, IOCTL_DISK_GET_DRIVE_GEOMETRY, NULL, 0, &geometry, sizeof geometry, &returned, NULL));
    EXPECT_EQ(512u, geometry.BytesPerSector);
    EXPECT_GE(geometry.Cylinders.QuadPart * geometry.TracksPerCylinder * geometry.SectorsPerTrack * 512, 9 * 1048576ll);
    PARTITION_INFORMATION_EX partition = {};
    ASSERT_TRUE(DeviceIoControl(drive, IOCTL_DISK_GET_PARTITION_INFO_EX, NULL, 0, &partition, sizeof partition,
                                &returned, NULL));
    EXPECT_EQ(9 * 1048576ll, partition.PartitionLength.QuadPart);
    EXPECT_EQ(0, partition.StartingOffset.QuadPart);
    CloseHandle(drive);

    // Released, the drive has no medium to describe.
    ResetDriver(0);
    drive = OpenDriveDevice(letter);
    ASSERT_NE(INVALID_HANDLE_VALUE, drive);
    EXPECT_FALSE(DeviceIoControl(drive, IOCTL_DISK_GET_LENGTH_INFO, NULL, 0, &length, sizeof length, &returned, NULL));
    CloseHandle(drive);
}

// Each malformed request is refused, creates nothing, and the driver keeps answering.
TEST_F(DriverTest, MalformedOpenRequestsAreRefused) {
    std::string path = folder.path + "\\bad.udf";
    size_t sent = 0;
    const std::vector<unsigned char> good = MakeRequest(path, letter, 5, &sent);
    ASSERT_NE(0u, sent);
    const size_t nameLength = sent - KOVDEV_REQ_SENT_BASE;

    struct Case {
        const char *what;
        void (*spoil)(std::vector<unsigned char> &, size_t &, size_t nameLength);
    } cases[] = {
        {"fixed field", [](std::vector<unsigned char> &r, size_t &, size_t) { r[0] = 2; }},
        {"algorithm", [](std::vector<unsigned char> &r, size_t &, size_t) { r[18] = 1; }},
        {"no keys", [](std::vector<unsigned char> &r, size_t &, size_t) { r[20] = 0; }},
        {"65 keys", [](std::vector<unsigned char> &r, size_t &, size_t) { r[20] = 65; }},
        {"key length", [](std::vector<unsigned char> &r, size_t &, size_t) { r[22] = 16; }},
        {"size 0", [](std::vector<unsigned char> &r, size_t &, size_t) { memset(&r[8], 0, 8); }},
        {"size not whole sectors", [](std::vector<unsigned char> &r, size_t &, size_t) { r[8] = 1; }},
        {"letter", [](std::vector<unsigned char> &r, size_t &, size_t) { r[2074] = '1'; }},
        {"name length 0", [](std::vector<unsigned char> &r, size_t &, size_t) { r[24] = r[25] = 0; }},
        {"name beyond the buffer",
         [](std::vector<unsigned char> &r, size_t &, size_t n) { StoreLe16(&r[24], (uint16_t)(n + 4)); }},
        {"huge name length", [](std::vector<unsigned char> &r, size_t &, size_t) { r[24] = r[25] = 0xFF; }},
        {"no terminator", [](std::vector<unsigned char> &r, size_t &, size_t n) { r[2075 + n] = 'x'; }},
        {"short name length",
         [](std::vector<unsigned char> &r, size_t &, size_t n) { StoreLe16(&r[24], (uint16_t)(n - 1)); }},
        {"shorter than a record", [](std::vector<unsigned char> &, size_t &s, size_t) { s = 2000; }},
        {"empty", [](std::vector<unsigned char> &, size_t &s, size_t) { s = 0; }},
    };
    ASSERT_TRUE(DefineVaultDrive(letter));
    HANDLE drive = OpenDriveDevice(letter);
    ASSERT_NE(INVALID_HANDLE_VALUE, drive);
    for (const Case &c : cases) {
        std::vector<unsigned char> request = good;
        size_t length = sent;
        c.spoil(request, length, nameLength);
        EXPECT_EQ(0, SendOpenRequest(drive, length ? request.data() : NULL, (DWORD)length)) << c.what;
        EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError()) << c.what;
        EXPECT_EQ(-1, FileSizeOf(path)) << c.what;
    }
    EXPECT_EQ(1, DriverReady());
    // The unspoilt request still opens.
    EXPECT_EQ(1, SendOpenRequest(drive, good.data(), (DWORD)sent));
    EXPECT_EQ(5 * 1048576ll, FileSizeOf(path));
    CloseHandle(drive);
}

}  // namespace
