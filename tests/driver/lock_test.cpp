// The lock sequence against the stand-in driver, with the test bed's volume
// shim deciding the volume codes through the driver.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "driver_fixture.h"
#include "shared/driver/driver_calls.h"
#include "volume_shim.h"

using namespace drivertest;

namespace {

class LockTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { patched = InstallVolumeShim(); }

    void SetUp() override {
        ASSERT_TRUE(SetServiceRunning(true));
        ASSERT_GT(patched, 0) << "DeviceIoControl is not imported by the test program";
        letter = FreeLetter();
        ASSERT_NE(0, letter);
        ResetDriver(letter);
    }
    void TearDown() override { ResetDriver(letter); }

    KovdevInspect State() {
        KovdevInspect state = {};
        EXPECT_TRUE(Inspect(&state));
        return state;
    }

    static int patched;
    char letter = 0;
    TempFolder folder;
};

int LockTest::patched = 0;

TEST_F(LockTest, FullSequenceReleasesTheVaultAndRemovesTheLetter) {
    ASSERT_EQ(0u, OpenVaultOn(letter, folder.path + "\\lock.udf", 5));
    ASSERT_TRUE(LetterInUse(letter));
    long forwarded = VolumeShimForwardCount();

    EXPECT_EQ(1, LockVaultDrive(letter));
    EXPECT_FALSE(LetterInUse(letter));
    EXPECT_EQ(forwarded + 3, VolumeShimForwardCount()) << "lock, dismount and unlock reach the driver";
    KovdevInspect state = State();
    EXPECT_EQ(0u, state.vaultOpen);
    EXPECT_EQ(0u, state.locked);
    EXPECT_EQ(1u, state.dismounted);
    EXPECT_EQ(1u, state.keyIsZero);
    EXPECT_EQ(1, DriverReady());
}

TEST_F(LockTest, BusyVolumeFailsAtTheLockStepAndStaysOpen) {
    ASSERT_EQ(0u, OpenVaultOn(letter, folder.path + "\\busy.udf", 5));
    ASSERT_TRUE(SetOpenFiles(1));

    EXPECT_EQ(0, LockVaultDrive(letter));
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
    KovdevInspect state = State();
    EXPECT_EQ(1u, state.vaultOpen);
    EXPECT_EQ(0u, state.locked);
    EXPECT_EQ(0u, state.dismounted);
    EXPECT_EQ(0u, state.keyIsZero);
    EXPECT_TRUE(LetterInUse(letter));
    EXPECT_EQ(0, DriverReady());

    // Once the files are closed the same lock goes through.
    ASSERT_TRUE(SetOpenFiles(0));
    EXPECT_EQ(1, LockVaultDrive(letter));
    EXPECT_FALSE(LetterInUse(letter));
}

// A lock that stopped after the driver released the vault leaves the letter
// bound to a driver that holds nothing: the next lock removes that binding
// and succeeds, without sending a volume code to a volume that is gone.
TEST_F(LockTest, ALockThatStoppedAfterTheReleaseIsFinishedByTheNext) {
    struct Row {
        const char *left;
        bool openFirst;        // a vault is opened, then the first lock stops after its release
        DWORD refusedDismounts;
    } rows[] = {
        {"dismount refused after the release", true, 1},
        {"letter still bound, no vault held", false, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.left);
        if (row.openFirst) {
            ASSERT_EQ(0u, OpenVaultOn(letter, folder.path + "\\stopped.udf", 5));
            ASSERT_TRUE(RefuseDismounts(row.refusedDismounts));
            EXPECT_EQ(0, LockVaultDrive(letter)) << "the dismount fails";
            EXPECT_EQ(0u, State().vaultOpen) << "the vault was released before the dismount";
            EXPECT_EQ(1u, State().locked);
            ASSERT_TRUE(DriverReady());
        } else {
            ASSERT_TRUE(DefineVaultDrive(letter));
        }
        ASSERT_TRUE(LetterInUse(letter));
        long forwarded = VolumeShimForwardCount();
        EXPECT_EQ(1, LockVaultDrive(letter));
        EXPECT_FALSE(LetterInUse(letter)) << "the binding to the driver is removed";
        EXPECT_EQ(forwarded, VolumeShimForwardCount()) << "no volume code may be sent";
        ResetDriver(letter);
    }
}

TEST_F(LockTest, RemovesTheLetterTheDriverReports) {
    char other = 0;
    for (char c = letter - 1; c >= 'D' && !other; --c)
        if (!LetterInUse(c)) other = c;
    ASSERT_NE(0, other);
    ASSERT_EQ(0u, OpenVaultOn(letter, folder.path + "\\two.udf", 5));
    ASSERT_TRUE(DefineVaultDrive(other));  // a second name for the same device

    EXPECT_EQ(1, LockVaultDrive(other));
    EXPECT_FALSE(LetterInUse(letter)) << "the mounted record names " << letter;
    EXPECT_TRUE(LetterInUse(other));
    ResetDriver(other);
}

TEST_F(LockTest, ReleaseWithoutAnOpenVaultFails) {
    ASSERT_TRUE(DefineVaultDrive(letter));
    HANDLE drive = OpenDriveDevice(letter);
    ASSERT_NE(INVALID_HANDLE_VALUE, drive);
    EXPECT_EQ(0, ReleaseVault(drive));
    EXPECT_EQ(0, UnlockVolume(drive)) << "nothing was locked";
    EXPECT_EQ(1, LockVolume(drive));
    EXPECT_EQ(0, LockVolume(drive)) << "a locked volume cannot be locked again";
    EXPECT_EQ(1, UnlockVolume(drive));
    CloseHandle(drive);
}

// A program started with the shim injected gets the driver's answer too.
std::string SiblingPath(const char *relative) {
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string folder(path);
    folder.resize(folder.find_last_of('\\'));
    return folder + "\\" + relative;
}

DWORD RunProbe(char letter) {
    std::string probe = SiblingPath("..\\support\\shim_probe.exe");
    std::string command = "\"" + probe + "\" " + letter;
    PROCESS_INFORMATION process;
    if (!StartWithVolumeShim(command.c_str(), SiblingPath("..\\support\\kovshim.dll").c_str(), &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 20000);
    DWORD code = 0xFFFFFFFE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST_F(LockTest, InjectedIntoAStartedProgram) {
    ASSERT_EQ(0u, OpenVaultOn(letter, folder.path + "\\probe.udf", 5));
    ASSERT_TRUE(SetOpenFiles(2));
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, RunProbe(letter));
    EXPECT_EQ(0u, State().locked);

    ASSERT_TRUE(SetOpenFiles(0));
    EXPECT_EQ(0u, RunProbe(letter));
    EXPECT_EQ(1u, State().locked) << "the lock reached the driver";
}

}  // namespace
