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
#include "new_user_steps.h"
#include "ntfs_check.h"
#include "resource.h"
#include "robot.h"
#include "token/token_operations.h"

namespace {

const char kUser[] = "Eve";
const char kPassword[] = "pw of eve";

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
    NewUser eve = {kUser, kPassword, "8", backups.path, "creation-e2e"};
    HWND howToUse = CreateUserThroughNewUserPage(run, main, eve);
    ASSERT_TRUE(howToUse != NULL);
    EXPECT_FALSE(IsWindowVisible(main));
    char registered[kRegistryPathSize];
    ASSERT_EQ(1, FindVault(kUser, registered, sizeof registered));
    EXPECT_EQ(container, registered);
    EXPECT_EQ(512u, ReadBytes(run.File("Key\\Eve.vault")).size());
    EXPECT_EQ(2u, OpenVaultValue().size());
    ExploreVault(howToUse);

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
    ExploreVault(howToUse);
    LockAndExit(again, main, NULL);
}
