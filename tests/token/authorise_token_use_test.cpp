// "Kovara - Authorise Token Use": the checked token password for the caller.
#include <gtest/gtest.h>
#include <string.h>

#include <thread>

#include "resources/resource.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"
#include "token_test_support.h"

namespace {

const char kCaption[] = "Kovara - Authorise Token Use";

class AuthoriseTokenUse : public ::testing::Test {
protected:
    RegisteredSoftToken token_{SoftSlotSection("1", "", "s3cret")};
    char *block_ = nullptr;
    DialogRunner runner_;

    void SetUp() override {
        robot::Answerer quiet;
        ASSERT_EQ(1, SelectToken(nullptr, "Soft"));
    }
    void TearDown() override {
        runner_.Stop();
        ReleaseTokenPassword(block_);
        EXPECT_EQ(nullptr, g_token.binding.module);
        ClearRegisteredTokens();
    }
    HWND Start() {
        g_token.useNotAuthorised = 0;
        HWND dialog = runner_.Start([this] { block_ = RunAuthoriseTokenUseDialog(nullptr); }, kCaption);
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }
};

TEST_F(AuthoriseTokenUse, AsksUntilThePasswordOpensTheToken) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(1, g_token.useNotAuthorised) << "opening marks the use as not authorised";
    EXPECT_EQ('*', (char)SendDlgItemMessageA(dialog, IDC_TOKEN_PASSWORD, EM_GETPASSWORDCHAR, 0, 0));

    robot::PressButton(dialog, IDC_TOKEN_OK);
    robot::Box empty = AnswerBox(IDOK);
    EXPECT_EQ("Please enter your token password.", empty.text);
    EXPECT_EQ((UINT)MB_ICONWARNING, empty.icon);

    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, "guess");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ("Token authorisation failed.\nToken Password is wrong.", AnswerBox(IDOK).text);

    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, "s3cret");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_TRUE(runner_.Finish());
    ASSERT_NE(nullptr, block_);
    EXPECT_STREQ("s3cret", block_);
    EXPECT_EQ(0, block_[102]);
    EXPECT_EQ(0, g_token.useNotAuthorised);
}

TEST_F(AuthoriseTokenUse, CancelAndCloseLeaveTheUseUnauthorised) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, "s3cret");
    robot::PressButton(dialog, IDC_TOKEN_CANCEL);
    EXPECT_TRUE(runner_.Finish());
    EXPECT_EQ(nullptr, block_);
    EXPECT_EQ(1, g_token.useNotAuthorised);

    dialog = Start();
    ASSERT_NE(nullptr, dialog);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(runner_.Finish());
    EXPECT_EQ(nullptr, block_);
    EXPECT_EQ(1, g_token.useNotAuthorised);
}

TEST_F(AuthoriseTokenUse, AnotherTokenIsNamedInsteadOfAskingForItsPassword) {
    token_.Configure(SoftSlotSection("2", "", "s3cret"));
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, "s3cret");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    robot::Box box = AnswerBox(IDOK);
    EXPECT_EQ(0u, box.text.find("The token found connected is different than the one selected by you.")) << box.text;
    EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays for another try";
    robot::PressButton(dialog, IDC_TOKEN_CANCEL);
    EXPECT_TRUE(runner_.Finish());
}

}  // namespace
