// Log-in end to end: a user record sealed onto the software token, the vault
// registered in DefVaults, the vault information file in the program folder,
// and the stand-in vault driver opening the vault.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "key_fixture.h"
#include "keys/files/key_files.h"
#include "keys/log_in/log_in.h"
#include "log_in_bed.h"
#include "maintenance/registry/registry_settings.h"
#include "resources/resource.h"
#include "robot.h"
#include "told.h"
#include "shell/state/open_vault.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"
#include "token_test_support.h"

namespace {

const char kAuthorise[] = "Kovara - Authorise Token Use";
const char kTokenPin[] = "s3cret";

class TokenLogInTest : public ::testing::Test {
protected:
    RegisteredSoftToken token{SoftSlotSection("1", "", kTokenPin)};
    ScratchFolder folder;
    TestUser ann{"Ann", "pw of ann", folder.File("Vault\\Kovara_Ann.udf"), 51};
    robot::Answerer answerer;
    std::unique_ptr<MainWindowUnderTest> window;
    HWND main = NULL;
    ChosenDrive drive = {0, 'A'};
    LoggedInUser loggedInUser = {};
    std::atomic<int> asked{0};

    TokenLogInTest() {
        answerer.OnDialog(kAuthorise, [this](HWND dialog) {
            ++asked;
            robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, kTokenPin);
            robot::PressButton(dialog, IDC_TOKEN_OK);
        });
        window = StartMainWindow(answerer);
        main = window->window();
    }
    std::string vaultInfoPath;

    void SetUp() override {
        StartFromIdleDriver(folder);
        CreateDirectoryA(folder.File("Vault").c_str(), NULL);
        CreateDirectoryA(folder.File("Key").c_str(), NULL);
        MakeVaultFile(ann.vaultPath, ann.vaultKey, 6 * 1048576);
        vaultInfoPath = folder.File("Key\\Ann.vault");
        WriteBytes(vaultInfoPath, VaultInfoFor(ann.vaultPath, ann.keyBlock));
        ASSERT_EQ(1, RegisterVault("Ann", ann.vaultPath.c_str()));
        ASSERT_EQ(1, SelectToken(NULL, "Soft"));
        ASSERT_EQ(1, SealUserInfo(NULL, ann.salt.data(), ann.keyBlock.data(), ann.password.c_str(),
                                  ann.vaultPath.c_str(), kTokenPin));
        EXPECT_EQ(ann.record, Bytes(g_userInfoBackupBuffer, g_userInfoBackupBuffer + 852));
    }
    void TearDown() override {
        window.reset();
        answerer.Finish();
        LeaveIdleDriver();
        UnregisterVault("Ann");
        ClearRegisteredTokens();
    }
    // Runs LogIn with the fields typed; the token dialog, when it comes, is
    // given the token password. Returns the texts of the boxes, each OK'd.
    std::vector<std::string> Run(const char *user, const char *password, int expected, size_t boxes, bool tokenAsked) {
        SetDlgItemTextA(main, IDC_LOGIN_USER, user);
        SetDlgItemTextA(main, IDC_LOGIN_PASSWORD, password);
        size_t before = answerer.Boxes().size();
        int askedBefore = asked;
        for (size_t i = 0; i < boxes; ++i) answerer.Answer(IDOK);
        EXPECT_EQ(expected, Told(main, LogIn(main, &drive, &loggedInUser)));
        EXPECT_EQ(0u, answerer.PendingAnswers());
        EXPECT_EQ(tokenAsked ? 1 : 0, asked - askedBefore) << "times the token use was authorised";
        std::vector<std::string> texts = robot::BoxTextsFrom(answerer, before);
        EXPECT_EQ(0, SendDlgItemMessageA(main, IDC_LOGIN_PROGRESS, PBM_GETPOS, 0, 0));
        EXPECT_EQ(nullptr, g_token.binding.module) << "the token library is unloaded after each read";
        return texts;
    }
};

using Texts = std::vector<std::string>;

}  // namespace

TEST_F(TokenLogInTest, OpensTheRegisteredVaultEndToEnd) {
    Texts texts = Run("Ann", "pw of ann", 1, 1, true);
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(0u, texts[0].find("Unable to determine path of your personal folder"));
    EXPECT_STREQ("Ann", loggedInUser.name);
    EXPECT_FALSE(IsWindowVisible(main));
    KovdevInspect state;
    ASSERT_TRUE(drivertest::Inspect(&state));
    EXPECT_EQ(1u, state.vaultOpen);
    EXPECT_EQ(6ull * 1048576, state.volumeBytes);
    char openVault[8];
    ASSERT_EQ(1, ReadOpenVault(openVault, sizeof openVault));
    EXPECT_EQ(2u, strlen(openVault));
    EXPECT_EQ(g_openVault.driveLetter, openVault[0]);
    EXPECT_EQ(std::string(101, '0') + '\0', std::string(g_loginPassword, kHeldPasswordSize))
        << "overwritten with the digit 0, terminator kept";
}

TEST_F(TokenLogInTest, EmptyFieldsAndUnknownUserNeverReachTheToken) {
    EXPECT_EQ(Texts{"All fields must be entered."}, Run("", "pw of ann", 0, 1, false));
    EXPECT_EQ(Texts{"All fields must be entered."}, Run("Ann", "", 0, 1, false));
    EXPECT_EQ(Texts{"The vault for user \"Nobody\" not found.\n\nIf you entered wrong username, then correct it."
                    "\nElse if you changed Windows registry settings for Kovara, \nthen restore the settings before "
                    "login."},
              Run("Nobody", "pw of ann", 0, 1, false));
}

TEST_F(TokenLogInTest, WrongPasswordStopsBeforeTheVaultInformationIsRead) {
    // Were the vault information read, its lock would give another message.
    HANDLE held = CreateFileA(vaultInfoPath.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(Texts{"Either Username or Password is incorrect."}, Run("Ann", "pw of Ann", 0, 1, true));
    CloseHandle(held);
    EXPECT_EQ(0, g_openVault.vaultOpen);
    EXPECT_EQ(std::string(101, '0') + '\0', std::string(g_loginPassword, kHeldPasswordSize))
        << "a refused log-in overwrites the held password too";
}

TEST_F(TokenLogInTest, RegisteredPathInOtherLetterCaseStillLogsIn) {
    std::string shouted = ann.vaultPath;
    for (char &c : shouted) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    RegisterVault("Ann", shouted.c_str());
    EXPECT_EQ(1u, Run("Ann", "pw of ann", 1, 1, true).size());
    EXPECT_EQ(1, g_openVault.vaultOpen);
}

TEST_F(TokenLogInTest, VaultInformationMessagesOfTheNormalLogIn) {
    std::string other = folder.File("other.udf");
    MakeVaultFile(other, Pattern(32, 9), 5 * 1048576);
    WriteBytes(vaultInfoPath, VaultInfoFor(other, ann.keyBlock));
    EXPECT_EQ(Texts{"Either Username or Password is incorrect."}, Run("Ann", "pw of ann", 0, 1, true));

    Bytes info = VaultInfoFor(ann.vaultPath, ann.keyBlock);
    info.push_back(0);
    WriteBytes(vaultInfoPath, info);
    EXPECT_EQ(Texts{"The Vault Information file for user Ann may be either corrupt or not accessible.\n"
                    "If you have a backup, then restore from backup."},
              Run("Ann", "pw of ann", 0, 1, true));

    DeleteFileA(vaultInfoPath.c_str());
    EXPECT_EQ(Texts{"Vault Information file for user Ann not found."}, Run("Ann", "pw of ann", 0, 1, true));

    DeleteFileA(ann.vaultPath.c_str());
    EXPECT_EQ(Texts{"Vault for user Ann either not found or not accessible."}, Run("Ann", "pw of ann", 0, 1, true));
    EXPECT_EQ(0, g_openVault.vaultOpen);
}
