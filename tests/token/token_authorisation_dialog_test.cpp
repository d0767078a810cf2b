// "Kovara - Token Authorisation": choosing a registered token and proving its
// password once per run.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <thread>
#include <vector>

#include "resources/resource.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"
#include "token_test_support.h"

namespace {

const char kCaption[] = "Kovara - Token Authorisation";

class TokenAuthorisationDialog : public ::testing::Test {
protected:
    RegisteredSoftToken token_{SoftSlotSection("1", "", "pw-1") + SoftSlotSection("2", "", "pw-2")};
    DialogRunner runner_;

    void SetUp() override { token_.Configure(SoftSlotSection("1", "", "pw-1")); }
    void TearDown() override {
        runner_.Stop();
        EXPECT_EQ(nullptr, g_token.binding.module);
        ClearRegisteredTokens();
    }
    HWND Start() {
        g_token.authorisationNotCompleted = 1;
        g_token.holdsKey = -1;
        HWND dialog = runner_.Start([] { RunTokenAuthorisationDialog(nullptr); }, kCaption);
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }
    void Finish(HWND) { EXPECT_TRUE(runner_.Finish()); }
    void StoreKey(const char *pin) {
        robot::Answerer quiet;
        ASSERT_EQ(1, SelectToken(nullptr, "Soft"));
        std::vector<unsigned char> record(kTokenRecordSize, 0x33);
        ASSERT_EQ(1, StoreTokenKey(nullptr, record.data(), pin));
    }
};

TEST_F(TokenAuthorisationDialog, WithoutRegisteredTokensOnlySetupIsOffered) {
    ClearRegisteredTokens();
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("NONE - Click Setup to setup token.", robot::ControlText(dialog, IDC_SELECT_TOKEN));
    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, "pw-1");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    robot::Box box = AnswerBox(IDOK);
    EXPECT_EQ("Click \"Setup\" to setup your token.", box.text);
    EXPECT_EQ((UINT)MB_ICONWARNING, box.icon);
    robot::PressButton(dialog, IDC_TOKEN_CANCEL);
    Finish(dialog);
    EXPECT_EQ(1, g_token.authorisationNotCompleted);
}

TEST_F(TokenAuthorisationDialog, PasswordIsProvedAndTheKeyIsLookedForSilently) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("Soft", robot::ControlText(dialog, IDC_SELECT_TOKEN));
    SendDlgItemMessageA(dialog, IDC_SELECT_TOKEN, CB_SETCURSEL, (WPARAM)-1, 0);
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ("You must first select a token.", AnswerBox(IDOK).text);
    SendDlgItemMessageA(dialog, IDC_SELECT_TOKEN, CB_SETCURSEL, 0, 0);
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ("Enter your token password.", AnswerBox(IDOK).text);
    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, "pw-2");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ("Token authorisation failed.\nToken Password is wrong.", AnswerBox(IDOK).text);
    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, "pw-1");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    Finish(dialog);  // a token without a key shows nothing here
    EXPECT_EQ(0, g_token.authorisationNotCompleted);
    EXPECT_EQ(0, g_token.holdsKey);
    EXPECT_EQ(nullptr, robot::WaitForBox("Kovara", 300)) << "no box after closing";

    StoreKey("pw-1");
    dialog = Start();
    ASSERT_NE(nullptr, dialog);
    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, "pw-1");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    Finish(dialog);
    EXPECT_EQ(1, g_token.holdsKey);
}

TEST_F(TokenAuthorisationDialog, TwoConnectedTokensAreOfferedOneByOne) {
    token_.Configure(SoftSlotSection("1", "", "pw-1") + SoftSlotSection("2", "", "pw-2"));
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, "pw-2");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    robot::Box first = AnswerBox(IDNO);
    EXPECT_NE(std::string::npos, first.text.find("Token Serial Number\t\t1 "));
    robot::Box second = AnswerBox(IDNO);
    EXPECT_NE(std::string::npos, second.text.find("Token Serial Number\t\t2 "));
    EXPECT_EQ(nullptr, robot::WaitForBox("Kovara", 500)) << "declining both shows nothing more";
    EXPECT_TRUE(IsWindow(dialog));

    robot::PressButton(dialog, IDC_TOKEN_OK);
    AnswerBox(IDNO);
    AnswerBox(IDYES);
    Finish(dialog);
    EXPECT_EQ(0, g_token.authorisationNotCompleted);
    EXPECT_EQ(0, strncmp(g_token.selected.serialNumber, "2 ", 2));
}

TEST_F(TokenAuthorisationDialog, RestoreSelectsTheTokenAndKeepsTheDialog) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    memset(g_token.selected.serialNumber, 0, sizeof g_token.selected.serialNumber);
    robot::PressButton(dialog, IDC_TOKEN_RESTORE_BACKUP);
    HWND restore = robot::WaitForWindow("#32770", "Kovara - Restore Key On Token");
    ASSERT_NE(nullptr, restore);
    EXPECT_EQ(dialog, GetWindow(restore, GW_OWNER));
    EXPECT_EQ(0, strncmp(g_token.selected.serialNumber, "1 ", 2)) << "the token was selected first";
    robot::PressButton(restore, IDC_RESTORE_CANCEL);
    EXPECT_TRUE(robot::WaitForClose(restore));
    EXPECT_TRUE(IsWindow(dialog));
    robot::PressButton(dialog, IDC_TOKEN_CANCEL);
    Finish(dialog);
    EXPECT_EQ(1, g_token.authorisationNotCompleted);
}

TEST_F(TokenAuthorisationDialog, SettingUpANewTokenEndsTheAuthorisationUnfinished) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    robot::PressButton(dialog, IDC_TOKEN_SETUP_NEW);
    HWND setup = robot::WaitForWindow("#32770", "Kovara - Setup Your Token");
    ASSERT_NE(nullptr, setup);
    robot::PressButton(setup, IDC_TOKEN_CANCEL);
    EXPECT_TRUE(robot::WaitForClose(setup));
    robot::WaitForIdle(dialog);
    EXPECT_TRUE(IsWindow(dialog)) << "a cancelled set-up keeps the authorisation open";

    robot::PressButton(dialog, IDC_TOKEN_SETUP_NEW);
    setup = robot::WaitForWindow("#32770", "Kovara - Setup Your Token");
    ASSERT_NE(nullptr, setup);
    SendDlgItemMessageA(setup, IDC_TOKEN_OWN_LIBRARY, BM_SETCHECK, BST_CHECKED, 0);
    robot::PressButton(setup, IDC_TOKEN_OWN_LIBRARY);
    robot::SetControlText(setup, IDC_TOKEN_NAME, "Second");
    robot::SetControlText(setup, IDC_TOKEN_LIBRARY_PATH, token_.library.c_str());
    robot::PressButton(setup, IDC_TOKEN_OK);
    EXPECT_EQ("The token was setup successfully!", AnswerBox(IDOK).text);
    EXPECT_TRUE(robot::WaitForClose(setup));
    Finish(dialog);
    EXPECT_EQ(1, g_token.authorisationNotCompleted) << "the new token is offered at the next start";
    EXPECT_EQ(0, g_token.setupNotCompleted);
    EXPECT_EQ(token_.library, RegisteredValue("Second"));
}

}  // namespace
