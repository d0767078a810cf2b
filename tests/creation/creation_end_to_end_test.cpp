// Creating a user end to end: the real Kovara.exe under Wine, from the
// new-user page through Setup Your Vault, the format, the backup and the
// How To Use window; then "Lock and Exit", a new start and a log-in as the new
// user. Once with a single backup and a log-in with the password, once with a
// split backup and a log-in from that backup through "Use Backup". The
// container is checked with ntfs-3g under the key of the backup; the one of the
// single backup is handed, with its key files, to the native checks of the
// Linux tool; after the hand-off that vault is written on Linux through
// kovara-vault mount and logged in to again by Kovara.exe.
#include <windows.h>
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "key_fixture.h"
#include "keys/core/user_info_record.h"
#include "maintenance/registry/registry_settings.h"
#include "manager_run.h"
#include "ntfs_check.h"
#include "resources/resource.h"
#include "robot.h"
#include "token/operations/token_operations.h"

namespace {

const char kUser[] = "Eve";
const char kPassword[] = "pw of eve";
const unsigned kSizeMb = 8;

void Photograph(HWND window, const std::string &name) {
    robot::WaitForPainted(window);
    robot::Screenshot(name.c_str());
}

// The folder in which the vault this test creates is handed to the native
// checks run after the Wine tests (tests/kovara_vault/created_vault_test.cpp):
// created-vault in the results folder (created-vault-32 for the 32-bit
// deliverables), seen through Wine's drive Z:. Empty when no results folder
// is set.
std::string HandOffFolder() {
    const char *results = getenv("KOVARA_RESULTS");
    if (!results || results[0] != '/') return "";
    std::string folder = std::string("Z:") + results + (sizeof(void *) == 4 ? "/created-vault-32" : "/created-vault");
    for (char &c : folder)
        if (c == '/') c = '\\';
    return folder;
}

const char *const kHandedFiles[] = {"Kovara_Eve.udf", "Eve.vault", "KovdevTokenKey.user", "user.txt"};

// Removes what an earlier run handed over, so that a run failing before the
// hand-off never leaves an old vault to be checked.
void ClearHandOff() {
    const std::string folder = HandOffFolder();
    if (folder.empty()) return;
    for (const char *name : kHandedFiles) DeleteFileA((folder + "\\" + name).c_str());
}

// Copies the closed container, its vault information file and the backup,
// with the user name and password on two lines of user.txt.
void HandOff(const ManagerRun &run, const std::string &backups) {
    const std::string folder = HandOffFolder();
    if (folder.empty()) return;
    CreateDirectoryA(folder.c_str(), NULL);
    const std::string sources[] = {run.File("Vault\\Kovara_Eve.udf"), run.File("Key\\Eve.vault"),
                                   backups + "\\KovdevTokenKey.user"};
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(CopyFileA(sources[i].c_str(), (folder + "\\" + kHandedFiles[i]).c_str(), FALSE))
            << sources[i] << " not handed to " << folder << ": error " << GetLastError();
    const std::string credentials = std::string(kUser) + "\n" + kPassword + "\n";
    WriteBytes(folder + "\\user.txt", Bytes(credentials.begin(), credentials.end()));
}

// The Linux tool of the native tree (KOVARA_VAULT_TOOL, a Unix path) on one
// vault of this run: its commands run through /bin/sh with the vault, the
// user, a password file and the user information backup. A mount left by a
// failed step is taken down at the end.
struct LinuxVaultTool {
    std::string tool, common, mountPoint;
    bool mounted = false;

    LinuxVaultTool(const std::string &tool, const std::string &container, const std::string &userInfo,
                   const ScratchFolder &scratch)
        : tool(tool), mountPoint(UnixPathOf(scratch.File("mnt"))) {
        const std::string passwordFile = scratch.File("password.txt");
        WriteBytes(passwordFile, Bytes(kPassword, kPassword + strlen(kPassword)));
        CreateDirectoryA(scratch.File("mnt").c_str(), NULL);
        common = " --vault '" + UnixPathOf(container) + "' --user " + kUser + " --password-file '" +
                 UnixPathOf(passwordFile) + "' --user-info '" + UnixPathOf(userInfo) + "'";
    }
    ~LinuxVaultTool() {
        std::string ignored;
        if (mounted) RunUnixCommand("'" + tool + "' unmount '" + mountPoint + "'", &ignored);
    }

    // Runs `kovara-vault COMMAND ARGUMENTS common-options` followed by `then`;
    // the output of both, and the exit code of the whole on the last line.
    std::string Run(const std::string &command, const std::string &arguments, const std::string &then = "") {
        std::string output;
        if (!RunUnixCommand("'" + tool + "' " + command + " " + arguments + common + then + "; echo rc=$?", &output))
            return "(did not finish)";
        return output;
    }
};

bool EndsWithSuccess(const std::string &output) {
    return output.size() >= 5 && output.compare(output.size() - 5, 5, "rc=0\n") == 0;
}

// Files of several sizes, one not a whole number of sectors, one in a folder,
// written into the vault on Linux and read back after Windows used it again.
struct LinuxFile {
    const char *path;  // in the volume
    Bytes bytes;
};

std::vector<LinuxFile> LinuxFiles() {
    return {{"/Notes.txt", Pattern(37, 1)}, {"/Linux/Photo.jpg", Pattern(1048576 + 4321, 2)}, {"/Linux/Empty.txt", Bytes()}};
}

// Mounts the vault with kovara-vault mount, copies the files in, unmounts,
// and checks the vault with its vault information file.
void WriteOnLinux(LinuxVaultTool &tool, const ScratchFolder &scratch, const std::string &vaultInfo) {
    std::string copies = "mkdir '" + tool.mountPoint + "/Linux'", output;
    int n = 0;
    for (const LinuxFile &file : LinuxFiles()) {
        const std::string source = scratch.File("written-" + std::to_string(n++));
        WriteBytes(source, file.bytes);
        copies += " && cp '" + UnixPathOf(source) + "' '" + tool.mountPoint + file.path + "'";
    }
    output = tool.Run("mount", "'" + tool.mountPoint + "'");
    ASSERT_TRUE(EndsWithSuccess(output)) << output;
    tool.mounted = true;
    EXPECT_TRUE(RunUnixCommand(copies + " && sync; echo rc=$?", &output) && EndsWithSuccess(output)) << output;
    EXPECT_TRUE(RunUnixCommand("'" + tool.tool + "' unmount '" + tool.mountPoint + "'; echo rc=$?", &output) &&
                EndsWithSuccess(output))
        << output;
    tool.mounted = false;
    output = tool.Run("check", "--vault-info '" + UnixPathOf(vaultInfo) + "'");
    EXPECT_TRUE(EndsWithSuccess(output)) << output;
}

// Every file comes back byte for byte through kovara-vault get, and ls lists the folder.
void ExpectReadBackOnLinux(LinuxVaultTool &tool, const ScratchFolder &scratch) {
    int n = 0;
    for (const LinuxFile &file : LinuxFiles()) {
        const std::string copy = scratch.File("read-" + std::to_string(n++));
        std::string output = tool.Run("get", std::string("'") + file.path + "' -o '" + UnixPathOf(copy) + "' --force");
        EXPECT_TRUE(EndsWithSuccess(output)) << output;
        EXPECT_TRUE(file.bytes == ReadBytes(copy)) << file.path << " did not come back whole";
    }
    std::string output = tool.Run("ls", "/Linux");
    EXPECT_NE(std::string::npos, output.find(" Photo.jpg\n")) << output;
    EXPECT_NE(std::string::npos, output.find(" Empty.txt\n")) << output;
}

class CreationEndToEnd : public ::testing::Test {
protected:
    ManagerRun run;
    HWND main = NULL;
    std::string container = run.File("Vault\\Kovara_Eve.udf");

    void SetUp() override {
        drivertest::ReleaseEveryVault();
        ClearOpenVault();
        UnregisterVault(kUser);
        // A key object left on the prefix's token would be asked about first.
        if (SelectToken(NULL, "EToken")) DeleteTokenKey(NULL, kTokenPin);
    }
    void TearDown() override {
        drivertest::ReleaseEveryVault();
        ClearOpenVault();
        UnregisterVault(kUser);
        if (SelectToken(NULL, "EToken")) DeleteTokenKey(NULL, kTokenPin);
    }

    robot::Box Answer(const char *caption, int button) {
        robot::Box seen;
        HWND box = robot::WaitForBox(caption, 30000, run.pid());
        EXPECT_TRUE(box != NULL) << "no box \"" << caption << "\"";
        if (!box) return seen;
        seen = robot::ReadBox(box);
        robot::PressButton(box, button);
        robot::WaitForClose(box);
        return seen;
    }
    void AuthoriseTokenUse() {
        HWND authorise = run.WaitForDialog("Kovara - Authorise Token Use");
        ASSERT_TRUE(authorise != NULL);
        robot::SetControlText(authorise, IDC_TOKEN_PASSWORD, kTokenPin);
        robot::PressButton(authorise, IDC_TOKEN_OK);
    }

    // A first start with no user: the new-user page, authorisation, Setup Your
    // Vault and Vault Created, up to the open "User Information Backup" dialog.
    void CreateUpToBackup(const std::string &photos, HWND *backup) {
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.AuthoriseToken());
        main = run.WaitForMainWindow();
        ASSERT_TRUE(main != NULL);
        EXPECT_TRUE(robot::IsControlVisible(main, IDC_CREATE_NEXT)) << "no user yet: the new-user page";
        robot::SetControlText(main, IDC_NEW_USER_NAME, kUser);
        robot::SetControlText(main, IDC_NEW_PASSWORD, kPassword);
        robot::SetControlText(main, IDC_RECONFIRM_PASSWORD, kPassword);
        Photograph(main, photos + "-new-user-page");
        robot::PressButton(main, IDC_CREATE_NEXT);

        AuthoriseTokenUse();
        HWND setup = run.WaitForDialog("Kovara - Setup Your Vault", 30000);
        ASSERT_TRUE(setup != NULL);
        EXPECT_EQ(run.File("Vault"), robot::ControlText(setup, IDC_VAULT_LOCATION));
        EXPECT_EQ("Kovara_Eve", robot::ControlText(setup, IDC_VAULT_NAME));
        EXPECT_EQ(0u, robot::ControlText(setup, IDC_VAULT_FREE_SPACE).find("You Have About "));
        robot::SetControlText(setup, IDC_VAULT_SIZE, std::to_string(kSizeMb).c_str());
        Photograph(setup, photos + "-setup-your-vault");
        robot::PressButton(setup, IDOK);
        robot::Box confirm = Answer("Kovara", IDYES);
        EXPECT_EQ(0u, confirm.text.find("You have selected a create a new vault:")) << confirm.text;

        HWND created = run.WaitForDialog("Kovara - Vault Created", 60000);
        ASSERT_TRUE(created != NULL);
        EXPECT_EQ("Status: Click \"OK\" to begin.", robot::ControlText(created, IDC_FORMAT_STATUS));
        EXPECT_FALSE(robot::IsControlEnabled(main, IDC_CREATE_NEXT)) << "buttons disabled from the format on";
        Photograph(created, photos + "-vault-created");
        robot::PressButton(created, IDOK);

        *backup = run.WaitForDialog("Kovara - User Information Backup", 120000);
        ASSERT_TRUE(*backup != NULL);
    }

    // After the backup: the How To Use window of the new user, with the vault
    // registered, its information file written and the vault open.
    void LeaveHowToUse(const std::string &photos) {
        HWND howToUse = run.WaitForDialog("Kovara - How To Use", 60000);
        ASSERT_TRUE(howToUse != NULL);
        if (!photos.empty()) Photograph(howToUse, photos + "-how-to-use");
        EXPECT_FALSE(IsWindowVisible(main));
        char registered[kPathSize];
        ASSERT_EQ(1, FindVault(kUser, registered, sizeof registered));
        EXPECT_EQ(container, registered);
        EXPECT_EQ(512u, ReadBytes(run.File("Key\\Eve.vault")).size());
        std::string drive = OpenVaultValue();
        EXPECT_EQ(2u, drive.size()) << "the vault is open";
        robot::PressButton(howToUse, IDC_EXPLORE_VAULT);
        EXPECT_TRUE(robot::WaitForClose(howToUse));
        // Explorer, another process, is closed so that no window of this
        // test is left for the tests that run after it.
        EXPECT_TRUE(run.CloseExplorerOn("(" + drive + ")")) << "no Explorer window on the vault drive came, or it did not close";
    }

    // "Lock and Exit" from the tray command, up to the end of the program.
    void LockAndExit(const char *photo) {
        PostMessageA(main, WM_COMMAND, IDM_LOCK_AND_EXIT, 0);
        HWND lock = run.WaitForDialog("Kovara - Lock Vault and Exit?");
        ASSERT_TRUE(lock != NULL);
        robot::PressButton(lock, IDOK);
        HWND locked = run.WaitForDialog("Kovara - Your Vault Is Locked", 30000);
        ASSERT_TRUE(locked != NULL);
        if (photo) Photograph(locked, photo);
        robot::PressButton(locked, IDOK);
        EXPECT_EQ(0u, run.WaitForExit());
        EXPECT_EQ("<no value>", OpenVaultValue()) << "nothing left open";
    }

    // The locked container, decrypted with the key held in the user
    // information record of the backup, is the NTFS volume of the format.
    void ExpectNtfsContainer(const Bytes &record) {
        ASSERT_EQ(852u, record.size());
        Bytes keyBlock(256), vaultKey(32);
        OpenUserKeyBlock(record.data(), kPassword, keyBlock.data());
        ComputeVaultKey(keyBlock.data(), 256, vaultKey.data());
        NtfsReport report = CheckNtfsContainer(container, vaultKey.data());
        ASSERT_TRUE(report.ran);
        EXPECT_EQ("Kovara", report.volumeName);
        EXPECT_EQ(4096u, report.clusterSize);
        EXPECT_EQ(kSizeMb * 1048576ull / 4096 - 1, report.clusters);
    }

    // A new start, the log-in as the user from the token, How To Use with
    // the vault open, then "Lock and Exit".
    void LogInAgain() {
        ASSERT_NO_FATAL_FAILURE(RestartAtLogInPage());
        robot::PressButton(main, IDC_LOGIN_OK);
        AuthoriseTokenUse();
        ASSERT_NO_FATAL_FAILURE(LeaveHowToUse(""));
        LockAndExit(NULL);
    }

    // A new start finds the user: the log-in page with the user's name and
    // password typed.
    void RestartAtLogInPage() {
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.AuthoriseToken());
        main = run.WaitForMainWindow();
        ASSERT_TRUE(main != NULL);
        EXPECT_TRUE(robot::IsControlVisible(main, IDC_LOGIN_OK)) << "a user exists: the log-in page";
        robot::SetControlText(main, IDC_LOGIN_USER, kUser);
        robot::SetControlText(main, IDC_LOGIN_PASSWORD, kPassword);
    }
};

}  // namespace

// After the hand-off, the vault is written on Linux with the native tree's
// kovara-vault (KOVARA_VAULT_TOOL, a Unix path; the test script sets it):
// the log-in of the new start then proves that the first sector and the vault
// information file still match, and the files come back after that session.
TEST_F(CreationEndToEnd, NewUserToLoggedInThenLockWrittenOnLinuxAndLogInAgain) {
    ClearHandOff();  // only this flow hands its vault over
    ScratchFolder backups;
    HWND backup = NULL;
    ASSERT_NO_FATAL_FAILURE(CreateUpToBackup("creation-e2e", &backup));
    robot::PressButton(backup, IDC_CREATION_BACKUP_SINGLE);
    ASSERT_TRUE(robot::WaitUntil([&] { return robot::IsControlEnabled(backup, IDC_CREATION_BACKUP_LOCATION); },
                                 robot::kWaitMs, "Single Backup enables its location field"));
    robot::SetControlText(backup, IDC_CREATION_BACKUP_LOCATION, backups.path.c_str());
    Photograph(backup, "creation-e2e-user-information-backup");
    robot::PressButton(backup, IDYES);
    robot::Box done = Answer("Kovara", IDOK);
    EXPECT_EQ(0u, done.text.find("Backup created successfully!")) << done.text;
    EXPECT_EQ((UINT)MB_ICONINFORMATION, done.icon);
    ASSERT_NO_FATAL_FAILURE(LeaveHowToUse("creation-e2e"));
    ASSERT_NO_FATAL_FAILURE(LockAndExit("creation-e2e-vault-locked"));
    ExpectNtfsContainer(ReadBytes(backups.File("KovdevTokenKey.user")));
    HandOff(run, backups.path);

    const char *tool = getenv("KOVARA_VAULT_TOOL");
    ScratchFolder scratch;
    std::unique_ptr<LinuxVaultTool> onLinux;
    if (tool && tool[0])
        onLinux.reset(new LinuxVaultTool(tool, container, backups.File("KovdevTokenKey.user"), scratch));
    else
        printf("KOVARA_VAULT_TOOL names no kovara-vault: the vault is not written on Linux in this run\n");
    if (onLinux) ASSERT_NO_FATAL_FAILURE(WriteOnLinux(*onLinux, scratch, run.File("Key\\Eve.vault")));
    LogInAgain();
    if (onLinux) ExpectReadBackOnLinux(*onLinux, scratch);
}

// The split backup into two folders, then, after a new start, a log-in from
// that backup through "Use Backup" and its dialog.
TEST_F(CreationEndToEnd, NewUserWithSplitBackupThenLogInFromThatBackup) {
    ScratchFolder first, second;
    HWND backup = NULL;
    ASSERT_NO_FATAL_FAILURE(CreateUpToBackup("creation-e2e-split", &backup));
    robot::PressButton(backup, IDC_CREATION_BACKUP_SPLIT);
    ASSERT_TRUE(robot::WaitUntil([&] { return robot::IsControlEnabled(backup, IDC_CREATION_BACKUP_LOCATION_2); },
                                 robot::kWaitMs, "Split Backup enables its location fields"));
    robot::SetControlText(backup, IDC_CREATION_BACKUP_LOCATION_1, first.path.c_str());
    robot::SetControlText(backup, IDC_CREATION_BACKUP_LOCATION_2, (second.path + "\\").c_str());
    Photograph(backup, "creation-e2e-split-user-information-backup");
    robot::PressButton(backup, IDYES);
    const std::string part1 = first.File("KeyPart1_Eve.kovdev"), info1 = first.File("VaultInfo_Eve.vault");
    const std::string part2 = second.File("KeyPart2_Eve.kovdev"), info2 = second.File("VaultInfo_Eve.vault");
    robot::Box done = Answer("Kovara", IDOK);
    EXPECT_EQ("Split Backup created successfully!\n\nPart 1 comprises of files:\n1: " + part1 + "\n2: " + info1 +
                  "\n\nPart 2 comprises of files:\n1: " + part2 + "\n2: " + info2,
              done.text);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, done.icon);
    ASSERT_NO_FATAL_FAILURE(LeaveHowToUse("creation-e2e-split"));
    Bytes record = ReadBytes(part1), last = ReadBytes(part2);
    EXPECT_EQ(426u, record.size());
    EXPECT_EQ(426u, last.size());
    record.insert(record.end(), last.begin(), last.end());
    EXPECT_EQ(ReadBytes(run.File("Key\\Eve.vault")), ReadBytes(info1));
    EXPECT_EQ(ReadBytes(info1), ReadBytes(info2));
    ASSERT_NO_FATAL_FAILURE(LockAndExit(NULL));
    ExpectNtfsContainer(record);

    ASSERT_NO_FATAL_FAILURE(RestartAtLogInPage());
    robot::PressButton(main, IDC_USE_BACKUP);
    HWND choose = run.WaitForDialog("Kovara - Log-In Using User Information Backup");
    ASSERT_TRUE(choose != NULL);
    robot::PressButton(choose, IDC_BACKUP_SPLIT);
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::IsControlEnabled(choose, IDC_BACKUP_USER_INFO_2); },
                                 robot::kWaitMs, "Split Backup enables the fields of its second part"));
    robot::SetControlText(choose, IDC_BACKUP_VAULT_FILE, container.c_str());
    robot::SetControlText(choose, IDC_BACKUP_USER_INFO_1, part1.c_str());
    robot::SetControlText(choose, IDC_BACKUP_VAULT_INFO_1, info1.c_str());
    robot::SetControlText(choose, IDC_BACKUP_USER_INFO_2, part2.c_str());
    robot::SetControlText(choose, IDC_BACKUP_VAULT_INFO_2, info2.c_str());
    Photograph(choose, "creation-e2e-split-log-in-from-backup");
    robot::PressButton(choose, IDOK);
    EXPECT_TRUE(robot::WaitForClose(choose));
    ASSERT_NO_FATAL_FAILURE(LeaveHowToUse(""));
    LockAndExit(NULL);
}
