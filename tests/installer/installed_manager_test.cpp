// The installed Kovara.exe, started from the program folder with the volume
// shim injected, against the installed driver and the software token that
// ./flow registers after the first start without a token: a new user is
// created through the new-user page, its vault opens, and "Lock and Exit"
// leaves the container, its information file and its registration behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "key_fixture.h"
#include "maintenance/registry/registry_settings.h"
#include "manager_run.h"
#include "new_user_steps.h"

namespace {

const char kProgramFolder[] = "C:\\Program Files\\Kovara";

unsigned long long FileSize(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

TEST(InstalledManager, CreatesAUserOpensTheVaultAndLocks) {
    ManagerRun run(kProgramFolder);
    ScratchFolder backups;
    const std::string container = run.File("Vault\\Kovara_Zoe.udf");
    ASSERT_FALSE(FileExists(container));

    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.AuthoriseToken());
    HWND main = run.WaitForMainWindow();
    ASSERT_TRUE(main != NULL);
    NewUser zoe = {"Zoe", "pw of zoe", "8", backups.path, "installed-manager"};
    HWND howToUse = CreateUserThroughNewUserPage(run, main, zoe);
    ASSERT_TRUE(howToUse != NULL);
    EXPECT_EQ(2u, OpenVaultValue().size()) << "the vault is open on a drive";
    ExploreVault(howToUse);

    LockAndExit(run, main, "installed-manager-vault-locked");
    EXPECT_EQ(8ull * 1048576, FileSize(container));
    EXPECT_EQ(512u, ReadBytes(run.File("Key\\Zoe.vault")).size());
    char registered[kPathSize];
    ASSERT_EQ(1, FindVault("Zoe", registered, sizeof registered));
    EXPECT_EQ(container, registered);
    EXPECT_EQ("<no value>", OpenVaultValue());
    EXPECT_EQ(852u, ReadBytes(backups.File("KovdevTokenKey.user")).size());
}
