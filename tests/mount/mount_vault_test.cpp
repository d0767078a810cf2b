// The open sequence against the stand-in vault driver: letter choice, every
// refusal and its undo, the registry entries and the key the driver gets.
#include <windows.h>
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <thread>
#include <vector>

#include "driver_fixture.h"
#include "key_fixture.h"
#include "log_in_bed.h"
#include "keys/files/key_files.h"
#include "keys/files/keys_messages.h"
#include "maintenance/registry/registry_settings.h"
#include "mount/open/mount_messages.h"
#include "mount/open/mount_vault.h"
#include "outcome_boxes.h"
#include "robot.h"
#include "shell/state/open_vault.h"
#include "shell/state/process_state.h"
#include "volume_shim.h"

namespace {

const char kMyDocumentsText[] =
    "Unable to determine path of your personal folder \"My Documents\".\n"
    "The vault is open and accessible only as a drive, and not as a folder within \"My Documents\".";

bool InUse(char letter) { return (GetLogicalDrives() >> (letter - 'A')) & 1; }

// Occupies drive letters with definitions of their own, and gives them back.
struct TakenLetters {
    std::vector<char> defined;
    void Take(char from, char to) {
        for (char letter = from; letter <= to; ++letter) {
            if (InUse(letter)) continue;
            char name[3] = {letter, ':', 0};
            ASSERT_TRUE(DefineDosDeviceA(DDD_RAW_TARGET_PATH, name, "\\Device\\Null")) << letter;
            defined.push_back(letter);
        }
    }
    ~TakenLetters() {
        for (char letter : defined) {
            char name[3] = {letter, ':', 0};
            DefineDosDeviceA(DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, name,
                             "\\Device\\Null");
        }
    }
};

std::string RegistryText(const std::string &keyPath, const char *name) {
    char data[512] = "";
    DWORD size = sizeof data - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    LONG result = RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? data : "<no value>";
}

Bytes ReadSectorZero(char letter) {
    char device[8] = {'\\', '\\', '.', '\\', letter, ':', 0};
    HANDLE drive = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, NULL);
    if (drive == INVALID_HANDLE_VALUE) return Bytes();
    // Sector-aligned buffer for unbuffered reads.
    void *buffer = VirtualAlloc(NULL, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    OVERLAPPED at = {};
    DWORD got = 0;
    BOOL ok = ReadFile(drive, buffer, 512, &got, &at);
    Bytes sector;
    if (ok && got == 512)
        sector.assign(static_cast<unsigned char *>(buffer), static_cast<unsigned char *>(buffer) + 512);
    VirtualFree(buffer, 0, MEM_RELEASE);
    CloseHandle(drive);
    return sector;
}

class MountVaultTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    TestUser ann{"Ann", "pw of ann", folder.File("Kovara_Ann.udf"), 31};
    DWORD drivesBefore = 0;
    // Key loading from a whole backup: no token needed here.
    BackupChoice backup = {};
    VaultKeySource keySource = {"pw of ann", "0000000000", &backup};
    KeyLoading keyLoading = {LoadVaultKeyFromSource, &keySource};

    void SetUp() override {
        StartFromIdleDriver(folder);
        strcpy(backup.userInfoPath, folder.File("KovdevTokenKey.user").c_str());
        WriteBytes(backup.userInfoPath, ann.record);
        MakeVaultFile(ann.vaultPath, ann.vaultKey, 5 * 1048576);
        drivesBefore = GetLogicalDrives();
    }
    void TearDown() override { LeaveIdleDriver(); }
    // The open sequence and the boxes its caller shows: the outcome's, then
    // the key loading's.
    int Mount(int letterRequested = 0, char letter = 'A', const std::string &path = std::string()) {
        MountResult result = MountVault(NULL, path.empty() ? ann.vaultPath.c_str() : path.c_str(), 5, letterRequested,
                                        letter, keyLoading);
        ShowMountOutcome(NULL, result);
        ShowKeysOutcome(NULL, keySource.outcome);
        return MountOpened(result);
    }
    void ExpectNothingLeft() {
        EXPECT_EQ(drivesBefore, GetLogicalDrives());
        EXPECT_EQ("<no value>", RegistryText("SOFTWARE\\Kovara\\VaultStatus", "OpenVault"));
        EXPECT_EQ(0, g_openVault.vaultOpen);
        KovdevInspect state;
        ASSERT_TRUE(drivertest::Inspect(&state));
        EXPECT_EQ(0u, state.vaultOpen);
    }
};

std::string OnlyBoxText(robot::Answerer &answerer, UINT icon = MB_ICONWARNING) {
    answerer.Finish();
    auto boxes = answerer.Boxes();
    if (boxes.size() != 1) return "<" + std::to_string(boxes.size()) + " boxes>";
    EXPECT_EQ("Kovara", boxes[0].caption);
    EXPECT_EQ(icon, boxes[0].icon);
    return boxes[0].text;
}

}  // namespace

TEST_F(MountVaultTest, OpensOnTheFirstLetterAfterCWithTheUsersVaultKey) {
    ASSERT_FALSE(InUse('D')) << "the test prefix is expected to use C: and Z: only";
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    ASSERT_EQ(1, Mount());
    EXPECT_EQ(kMyDocumentsText, OnlyBoxText(answerer, MB_ICONINFORMATION));

    EXPECT_EQ('D', g_openVault.driveLetter);
    EXPECT_EQ(1, g_openVault.vaultOpen);
    EXPECT_EQ(1, g_openVault.openCount);
    EXPECT_TRUE(InUse('D'));
    std::string openVault = RegistryText("SOFTWARE\\Kovara\\VaultStatus", "OpenVault");
    EXPECT_EQ("D:", openVault);
    EXPECT_EQ(2u, openVault.size());
    EXPECT_EQ(folder.path + "\\udf.ico",
              RegistryText("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\D\\DefaultIcon", ""));

    KovdevInspect state;
    ASSERT_TRUE(drivertest::Inspect(&state));
    EXPECT_EQ(1u, state.vaultOpen);
    EXPECT_EQ('D', state.letter);
    EXPECT_EQ(5ull * 1048576, state.volumeBytes);
    // Sector 0 reads back as the plain sector only under the key that the
    // user key block of the record yields.
    EXPECT_EQ(PlainFirstSector(), ReadSectorZero('D'));
}

TEST_F(MountVaultTest, OpensOnTheLastFreeLetterWhenDToXAreTaken) {
    TakenLetters taken;
    taken.Take('D', 'X');
    drivesBefore = GetLogicalDrives();
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    int opened = Mount();
    answerer.Finish();
    ASSERT_EQ(1, opened) << (answerer.Boxes().empty() ? "" : answerer.Boxes()[0].text);
    EXPECT_EQ('Y', g_openVault.driveLetter);
    EXPECT_EQ("Y:", RegistryText("SOFTWARE\\Kovara\\VaultStatus", "OpenVault"));
    drivertest::ResetDriver('Y');
    g_openVault.vaultOpen = 0;
}

TEST_F(MountVaultTest, AllLettersInUseIsRefusedBeforeTheKeyIsRead) {
    TakenLetters taken;
    taken.Take('D', 'Z');
    drivesBefore = GetLogicalDrives();
    DeleteFileA(backup.userInfoPath);  // a key read would show its own box
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    EXPECT_EQ(0, Mount());
    EXPECT_EQ("All drive letters on your system are already in use.\nVault cannot be opened.", OnlyBoxText(answerer));
    ExpectNothingLeft();
}

TEST_F(MountVaultTest, RequestedLetterTakenAtOpenTimeFailsAtTheProbe) {
    TakenLetters taken;
    taken.Take('G', 'G');
    drivesBefore = GetLogicalDrives();
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    EXPECT_EQ(0, Mount(1, 'G'));
    // The probe opened the device: there is no system error to report.
    EXPECT_EQ("The vault device is either in use or is not accessible.", OnlyBoxText(answerer));
    ExpectNothingLeft();
    char target[MAX_PATH] = "";
    QueryDosDeviceA("G:", target, sizeof target);
    EXPECT_STREQ("\\Device\\Null", target) << "the other definition stays";
}

TEST_F(MountVaultTest, RequestedLetterIsUsedAsGiven) {
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    ASSERT_EQ(1, Mount(1, 'k'));
    answerer.Finish();
    EXPECT_EQ('K', g_openVault.driveLetter);
    EXPECT_EQ("K:", RegistryText("SOFTWARE\\Kovara\\VaultStatus", "OpenVault"));
}

TEST_F(MountVaultTest, BusyDriverRefusesASecondOpen) {
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    ASSERT_EQ(1, Mount());
    answerer.Answer(IDOK);
    EXPECT_EQ(0, Mount());
    answerer.Finish();
    auto boxes = answerer.Boxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(
        "Kovara driver is either in use or is not accessible.\nCheck that the vault may already be open.\n"
        "Desired vault cannot be opened.",
        boxes[1].text);
    EXPECT_EQ(1, g_openVault.openCount);
}

TEST_F(MountVaultTest, FailedKeyLoadingLeavesNoDriveBehind) {
    DeleteFileA(backup.userInfoPath);
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    EXPECT_EQ(0, Mount());
    EXPECT_EQ("The selected Backup of User Information File is not accessible." + SystemReported(ERROR_FILE_NOT_FOUND),
              OnlyBoxText(answerer));
    ExpectNothingLeft();
}

TEST_F(MountVaultTest, ShortcutInMyDocumentsPointsAtTheDrive) {
    g_process.myDocumentsKnown = 1;
    g_process.fileSystemKind = 2;
    strcpy(g_process.shortcutPath, folder.File("Kovara.lnk").c_str());
    robot::Answerer answerer;
    ASSERT_EQ(1, Mount());
    answerer.Finish();
    EXPECT_TRUE(answerer.Boxes().empty());
    EXPECT_EQ(1, g_openVault.shortcutMade);
    EXPECT_TRUE(FileExists(g_process.shortcutPath));
}

TEST(VaultShortcut, LeavesTheComStateOfAThreadInAnotherApartmentAlone) {
    ScratchFolder folder;
    strcpy(g_process.shortcutPath, folder.File("Kovara.lnk").c_str());
    HRESULT before = E_FAIL, after = E_FAIL;
    int made = -1;
    // A multithreaded apartment refuses the shortcut's CoInitialize; the
    // thread's own initialisation must survive the call.
    std::thread caller([&] {
        before = CoInitializeEx(NULL, COINIT_MULTITHREADED);
        made = MakeVaultShortcut('C');
        after = CoInitializeEx(NULL, COINIT_MULTITHREADED);
        if (SUCCEEDED(after)) CoUninitialize();
        if (SUCCEEDED(before)) CoUninitialize();
    });
    caller.join();
    ASSERT_EQ(S_OK, before);
    EXPECT_EQ(S_FALSE, after) << "COM was uninitialised under the caller";
    EXPECT_EQ(1, made);
    EXPECT_TRUE(FileExists(g_process.shortcutPath));
    g_openVault.shortcutMade = 0;
    g_process.shortcutPath[0] = '\0';
}

TEST_F(MountVaultTest, RefusalsAfterTheRequestLeaveNothingBehind) {
    // A request the driver refuses removes the drive definition; an OpenVault
    // that cannot be recorded (refused just below the registry call) closes
    // the vault again, since it would go unnoticed after an abnormal end.
    // The lock that closes it needs the volume codes forwarded to the
    // stand-in driver, as in the program under the test bed.
    ASSERT_LT(0, InstallVolumeShim());
    ASSERT_LT(0, InstallRegistryRefusals());
    struct Row {
        std::string container;
        const char *refuse;  // KOVSHIM_REFUSE_OPEN_VAULT
        std::string text;
    } rows[] = {
        {folder.File("no such folder\\Kovara_Ann.udf"), nullptr,
         "Unable to send open request to the vault driver." + SystemReported(ERROR_PATH_NOT_FOUND)},
        {ann.vaultPath, "write", SystemReported(ERROR_ACCESS_DENIED).substr(strlen("\n\n\nSystem Reported Error:\n"))},
    };
    for (const Row &row : rows) {
        SetEnvironmentVariableA("KOVSHIM_REFUSE_OPEN_VAULT", row.refuse);
        robot::Answerer answerer;
        answerer.Answer(IDOK);
        EXPECT_EQ(0, Mount(0, 'A', row.container)) << row.text;
        SetEnvironmentVariableA("KOVSHIM_REFUSE_OPEN_VAULT", NULL);
        EXPECT_EQ(row.text, OnlyBoxText(answerer));
        ExpectNothingLeft();
    }
}

TEST(MountMessages, EveryFailureOfTheOpenSequenceHasItsOwnText) {
    ExpectEveryOutcomeTold(kMountOutcomeCount, {kMountOpened, kMountKeyNotLoaded}, [](int outcome) {
        return MountOutcomeBox({static_cast<MountOutcome>(outcome), ERROR_ACCESS_DENIED});
    });
}
