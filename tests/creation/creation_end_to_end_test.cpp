// Creating a user end to end: the real Kovara.exe under Wine, from the
// new-user page through Setup Your Vault, the format, the backup and the
// How To Use window; then "Lock and Exit", a new start and a log-in as the new
// user. The container is checked with ntfs-3g under the key of the backup and
// handed, with its key files, to the native checks of the Linux tool.
#include <windows.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "driver_fixture.h"
#include "key_fixture.h"
#include "keys/user_info_record.h"
#include "maintenance/registry_settings.h"
#include "manager_run.h"
#include "ntfs_check.h"
#include "resource.h"
#include "robot.h"
#include "token/token_operations.h"

namespace {

const char kUser[] = "Eve";
const char kPassword[] = "pw of eve";

void Photograph(HWND window, const char *name) {
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(500);
    robot::Screenshot(name);
}

// The folder in which the vault this test creates is handed to the native
// checks run after the Wine tests (tests/kovara_vault/created_vault_test.cpp):
// created-vault in the results folder, seen through Wine's drive Z:. Empty
// when no results folder is set.
std::string HandOffFolder() {
    const char *results = getenv("KOVARA_RESULTS");
    if (!results || results[0] != '/') return "";
    std::string folder = std::string("Z:") + results + "/created-vault";
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

class CreationEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ClearHandOff();
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

    robot::Box Answer(ManagerRun &run, const char *caption, int button) {
        robot::Box seen;
        HWND box = robot::WaitForBox(caption, 30000, run.pid());
        EXPECT_TRUE(box != NULL) << "no box \"" << caption << "\"";
        if (!box) return seen;
        seen = robot::ReadBox(box);
        robot::PressButton(box, button);
        robot::WaitForClose(box);
        return seen;
    }
    void AuthoriseTokenUse(ManagerRun &run) {
        HWND authorise = run.WaitForDialog("Kovara - Authorise Token Use");
        ASSERT_TRUE(authorise != NULL);
        robot::SetControlText(authorise, IDC_TOKEN_PASSWORD, kTokenPin);
        robot::PressButton(authorise, IDC_TOKEN_OK);
    }
    // "Lock and Exit" from the tray command, up to the end of the program.
    void LockAndExit(ManagerRun &run, HWND main, const char *photo) {
        PostMessageA(main, WM_COMMAND, IDM_LOCK_AND_EXIT, 0);
        HWND lock = run.WaitForDialog("Kovara - Lock Vault and Exit?");
        ASSERT_TRUE(lock != NULL);
        robot::PressButton(lock, IDOK);
        HWND locked = run.WaitForDialog("Kovara - Your Vault Is Locked", 30000);
        ASSERT_TRUE(locked != NULL);
        if (photo) Photograph(locked, photo);
        robot::PressButton(locked, IDOK);
        EXPECT_EQ(0u, run.WaitForExit());
    }
};

}  // namespace

TEST_F(CreationEndToEnd, NewUserToLoggedInThenLockRestartAndLogIn) {
    ManagerRun run;
    ScratchFolder backups;
    const std::string container = run.File("Vault\\Kovara_Eve.udf");

    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.AuthoriseToken());
    HWND main = run.WaitForMainWindow();
    ASSERT_TRUE(main != NULL);
    EXPECT_TRUE(robot::IsControlVisible(main, IDC_CREATE_NEXT)) << "no user yet: the new-user page";
    robot::SetControlText(main, IDC_NEW_USER_NAME, kUser);
    robot::SetControlText(main, IDC_NEW_PASSWORD, kPassword);
    robot::SetControlText(main, IDC_RECONFIRM_PASSWORD, kPassword);
    Photograph(main, "creation-e2e-new-user-page");
    robot::PressButton(main, IDC_CREATE_NEXT);

    AuthoriseTokenUse(run);
    HWND setup = run.WaitForDialog("Kovara - Setup Your Vault", 30000);
    ASSERT_TRUE(setup != NULL);
    EXPECT_EQ(run.File("Vault"), robot::ControlText(setup, IDC_VAULT_LOCATION));
    EXPECT_EQ("Kovara_Eve", robot::ControlText(setup, IDC_VAULT_NAME));
    EXPECT_EQ(0u, robot::ControlText(setup, IDC_VAULT_FREE_SPACE).find("You Have About "));
    robot::SetControlText(setup, IDC_VAULT_SIZE, "8");
    Photograph(setup, "creation-e2e-setup-your-vault");
    robot::PressButton(setup, IDOK);
    robot::Box confirm = Answer(run, "Kovara", IDYES);
    EXPECT_EQ(0u, confirm.text.find("You have selected a create a new vault:")) << confirm.text;

    HWND created = run.WaitForDialog("Kovara - Vault Created", 60000);
    ASSERT_TRUE(created != NULL);
    EXPECT_EQ("Status: Click \"OK\" to begin.", robot::ControlText(created, IDC_FORMAT_STATUS));
    EXPECT_FALSE(robot::IsControlEnabled(main, IDC_CREATE_NEXT)) << "buttons disabled from the format on";
    Photograph(created, "creation-e2e-vault-created");
    robot::PressButton(created, IDOK);

    HWND backup = run.WaitForDialog("Kovara - User Information Backup", 120000);
    ASSERT_TRUE(backup != NULL);
    robot::PressButton(backup, IDC_CREATION_BACKUP_SINGLE);
    Sleep(300);
    robot::SetControlText(backup, IDC_CREATION_BACKUP_LOCATION, backups.path.c_str());
    Photograph(backup, "creation-e2e-user-information-backup");
    robot::PressButton(backup, IDYES);
    robot::Box done = Answer(run, "Kovara", IDOK);
    EXPECT_EQ(0u, done.text.find("Backup created successfully!")) << done.text;
    EXPECT_EQ((UINT)MB_ICONINFORMATION, done.icon);

    HWND howToUse = run.WaitForDialog("Kovara - How To Use", 60000);
    ASSERT_TRUE(howToUse != NULL);
    Photograph(howToUse, "creation-e2e-how-to-use");
    EXPECT_FALSE(IsWindowVisible(main));
    char registered[kRegistryPathSize];
    ASSERT_EQ(1, FindVault(kUser, registered, sizeof registered));
    EXPECT_EQ(container, registered);
    EXPECT_EQ(512u, ReadBytes(run.File("Key\\Eve.vault")).size());
    EXPECT_EQ(2u, OpenVaultValue().size());
    robot::PressButton(howToUse, IDC_EXPLORE_VAULT);
    EXPECT_TRUE(robot::WaitForClose(howToUse));

    LockAndExit(run, main, "creation-e2e-vault-locked");
    Bytes record = ReadBytes(backups.File("KovdevTokenKey.user"));
    ASSERT_EQ(852u, record.size());
    Bytes keyBlock(256), vaultKey(32);
    OpenUserKeyBlock(record.data(), kPassword, keyBlock.data());
    ComputeVaultKey(keyBlock.data(), 256, vaultKey.data());
    NtfsReport report = CheckNtfsContainer(container, vaultKey.data());
    ASSERT_TRUE(report.ran);
    EXPECT_EQ("Kovara", report.volumeName);
    EXPECT_EQ(4096u, report.clusterSize);
    EXPECT_EQ(8ull * 1048576 / 4096 - 1, report.clusters);
    HandOff(run, backups.path);

    // A new start finds the user and logs in.
    ManagerRun &again = run;
    ASSERT_TRUE(again.Start());
    ASSERT_TRUE(again.AuthoriseToken());
    main = again.WaitForMainWindow();
    ASSERT_TRUE(main != NULL);
    EXPECT_TRUE(robot::IsControlVisible(main, IDC_LOGIN_OK)) << "a user exists: the log-in page";
    robot::SetControlText(main, IDC_LOGIN_USER, kUser);
    robot::SetControlText(main, IDC_LOGIN_PASSWORD, kPassword);
    robot::PressButton(main, IDC_LOGIN_OK);
    AuthoriseTokenUse(again);
    howToUse = again.WaitForDialog("Kovara - How To Use", 60000);
    ASSERT_TRUE(howToUse != NULL);
    robot::PressButton(howToUse, IDC_EXPLORE_VAULT);
    EXPECT_TRUE(robot::WaitForClose(howToUse));
    LockAndExit(again, main, NULL);
}
