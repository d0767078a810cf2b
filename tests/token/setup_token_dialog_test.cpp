// "Kovara - Setup Your Token": options, checks in order, registration.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "resources/resource.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_state.h"
#include "token_test_support.h"

namespace {

const char kCaption[] = "Kovara - Setup Your Token";

std::string SystemFile(const char *name) {
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + name;
}

void Choose(HWND dialog, int button) {
    for (int id : {IDC_TOKEN_ETOKEN, IDC_TOKEN_IKEY, IDC_TOKEN_SCHLUMBERGER, IDC_TOKEN_OWN_LIBRARY})
        SendDlgItemMessageA(dialog, id, BM_SETCHECK, id == button ? BST_CHECKED : BST_UNCHECKED, 0);
    robot::PressButton(dialog, button);
}

class SetupTokenDialog : public ::testing::Test {
protected:
    RegisteredSoftToken token_{SoftSlotSection("1")};
    DialogRunner runner_;
    std::string etoken_ = SystemFile("\\etpkcs11.dll");

    void SetUp() override {
        ClearRegisteredTokens();
        // The EToken library is the software token in this prefix (the session
        // installs one; a bare prefix gets a copy here).
        if (GetFileAttributesA(etoken_.c_str()) != INVALID_FILE_ATTRIBUTES) return;
        ASSERT_TRUE(CopyFileA(token_.library.c_str(), etoken_.c_str(), FALSE));
        std::string conf = SystemFile("\\etpkcs11.conf");
        FILE *f = fopen(conf.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::string text = SoftSlotSection("77");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    void TearDown() override {
        runner_.Stop();
        ClearRegisteredTokens();
    }
    HWND Start() {
        g_token.setupNotCompleted = 1;
        HWND dialog = runner_.Start([] { RunSetupTokenDialog(nullptr); }, kCaption);
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }
    void Finish(HWND) { EXPECT_TRUE(runner_.Finish()); }
};

TEST_F(SetupTokenDialog, OpensWithMissingLibrariesDisabledAndOwnChoiceOff) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(robot::IsControlEnabled(dialog, IDC_TOKEN_ETOKEN));
    EXPECT_FALSE(robot::IsControlEnabled(dialog, IDC_TOKEN_IKEY));
    EXPECT_FALSE(robot::IsControlEnabled(dialog, IDC_TOKEN_SCHLUMBERGER));
    for (int id :
         {IDC_TOKEN_NAME_LABEL, IDC_TOKEN_PATH_LABEL, IDC_TOKEN_NAME, IDC_TOKEN_LIBRARY_PATH, IDC_TOKEN_BROWSE})
        EXPECT_FALSE(robot::IsControlEnabled(dialog, id)) << id;
    EXPECT_EQ(BST_CHECKED, robot::CheckState(dialog, IDC_TOKEN_SET_DEFAULT));
    EXPECT_EQ(32, (int)SendDlgItemMessageA(dialog, IDC_TOKEN_NAME, EM_GETLIMITTEXT, 0, 0));
    robot::Screenshot("token-setup-dialog");

    Choose(dialog, IDC_TOKEN_OWN_LIBRARY);
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::IsControlEnabled(dialog, IDC_TOKEN_BROWSE); }, robot::kWaitMs,
                                 "the own-library choice enables Browse"));
    EXPECT_TRUE(robot::IsControlEnabled(dialog, IDC_TOKEN_NAME));
    Choose(dialog, IDC_TOKEN_ETOKEN);
    EXPECT_TRUE(robot::WaitUntil([&] { return !robot::IsControlEnabled(dialog, IDC_TOKEN_BROWSE); }, robot::kWaitMs,
                                 "a listed library disables Browse again"));
    EXPECT_FALSE(robot::IsControlEnabled(dialog, IDC_TOKEN_NAME));
    robot::PressButton(dialog, IDC_TOKEN_CANCEL);
    Finish(dialog);
    EXPECT_EQ(1, g_token.setupNotCompleted);
}

TEST_F(SetupTokenDialog, ChecksComeInOrderThenTheLibraryIsRegisteredAsDefault) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ("You must select an option radio button to setup your token, to work with Kovara.", AnswerBox(IDOK).text);
    Choose(dialog, IDC_TOKEN_OWN_LIBRARY);
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ(
        "You have opted to select token name and library path.\n"
        "You must type a name for your token.",
        AnswerBox(IDOK).text);
    robot::SetControlText(dialog, IDC_TOKEN_NAME, "dEFAULTtOKEN");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ(
        "You have opted to select token name and library path.\n"
        "Click \"Browse\" and select the library file that your token uses.",
        AnswerBox(IDOK).text);
    robot::SetControlText(dialog, IDC_TOKEN_LIBRARY_PATH, token_.library.c_str());
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ(
        "\"DefaultToken\" cannot be used as a token name.\n"
        "This is reserved for internal use by software.\n\nPlease select some other token name.",
        AnswerBox(IDOK).text);
    EXPECT_EQ("<none>", RegisteredValue("dEFAULTtOKEN"));

    robot::SetControlText(dialog, IDC_TOKEN_NAME, "My Own Token");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    robot::Box done = AnswerBox(IDOK);
    EXPECT_EQ("The token was setup successfully!", done.text);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, done.icon);
    Finish(dialog);
    EXPECT_EQ(0, g_token.setupNotCompleted);
    EXPECT_EQ(token_.library, RegisteredValue("My Own Token"));
    EXPECT_EQ("My Own Token", RegisteredValue("DefaultToken"));
}

TEST_F(SetupTokenDialog, ALibraryThatFailsItsTestIsNotRegistered) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    Choose(dialog, IDC_TOKEN_OWN_LIBRARY);
    robot::SetControlText(dialog, IDC_TOKEN_NAME, "Broken");
    robot::SetControlText(dialog, IDC_TOKEN_LIBRARY_PATH, token_.library.c_str());
    token_.Configure("fail = initialize\n" + SoftSlotSection("1"));
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ("You have selected to initialize token Broken, to use the library file " + token_.library +
                  ".\n\nInitialization of this library failed.",
              AnswerBox(IDOK).text);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ("<none>", RegisteredValue("Broken"));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    Finish(dialog);
    EXPECT_EQ(1, g_token.setupNotCompleted);
}

TEST_F(SetupTokenDialog, AnExistingRegistrationIsOverwrittenOnlyWhenTheUserAgrees) {
    RegisterToken("EToken", "C:\\old\\etpkcs11.dll");
    RegisterToken("DefaultToken", "Other");
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    Choose(dialog, IDC_TOKEN_ETOKEN);
    SendDlgItemMessageA(dialog, IDC_TOKEN_SET_DEFAULT, BM_SETCHECK, BST_UNCHECKED, 0);
    robot::PressButton(dialog, IDC_TOKEN_OK);
    robot::Box question = AnswerBox(IDNO);
    EXPECT_EQ(
        "EToken has been found to be already registered.\n"
        "The registered library for this token is located at:\nC:\\old\\etpkcs11.dll\n\n"
        "Would you like to overwrite this registred path information?",
        question.text);
    EXPECT_EQ((UINT)MB_ICONQUESTION, question.icon);
    EXPECT_EQ((std::vector<int>{IDYES, IDNO}), question.buttons);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ("C:\\old\\etpkcs11.dll", RegisteredValue("EToken"));

    robot::PressButton(dialog, IDC_TOKEN_OK);
    AnswerBox(IDYES);
    EXPECT_EQ("The token was setup successfully!", AnswerBox(IDOK).text);
    Finish(dialog);
    EXPECT_EQ(etoken_, RegisteredValue("EToken"));
    EXPECT_EQ("Other", RegisteredValue("DefaultToken")) << "not set as default";
}

}  // namespace

namespace {

TEST_F(SetupTokenDialog, BrowseFillsThePathBoxAndACancelledChoiceEmptiesIt) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    Choose(dialog, IDC_TOKEN_OWN_LIBRARY);
    robot::PressButton(dialog, IDC_TOKEN_BROWSE);
    HWND chooser = robot::WaitForWindow("#32770", "Select Token Library File");
    ASSERT_NE(nullptr, chooser);
    const int kFileNameBox = 0x47c;  // the open-file dialog's file name box
    robot::SetControlText(chooser, kFileNameBox, token_.library.c_str());
    robot::PressButton(chooser, IDOK);
    EXPECT_TRUE(robot::WaitForClose(chooser));
    EXPECT_TRUE(robot::WaitForIdle(dialog));
    EXPECT_EQ(token_.library, robot::ControlText(dialog, IDC_TOKEN_LIBRARY_PATH));

    robot::PressButton(dialog, IDC_TOKEN_BROWSE);
    chooser = robot::WaitForWindow("#32770", "Select Token Library File");
    ASSERT_NE(nullptr, chooser);
    robot::PressButton(chooser, IDCANCEL);
    EXPECT_TRUE(robot::WaitForClose(chooser));
    EXPECT_TRUE(robot::WaitForIdle(dialog));
    EXPECT_EQ("", robot::ControlText(dialog, IDC_TOKEN_LIBRARY_PATH));
    robot::PressButton(dialog, IDC_TOKEN_CANCEL);
    Finish(dialog);
}

TEST_F(SetupTokenDialog, ANameIsCutToThirtyOneCharacters) {
    HWND dialog = Start();
    ASSERT_NE(nullptr, dialog);
    Choose(dialog, IDC_TOKEN_OWN_LIBRARY);
    robot::SetControlText(dialog, IDC_TOKEN_NAME, std::string(32, 'n').c_str());
    robot::SetControlText(dialog, IDC_TOKEN_LIBRARY_PATH, token_.library.c_str());
    robot::PressButton(dialog, IDC_TOKEN_OK);
    EXPECT_EQ("The token was setup successfully!", AnswerBox(IDOK).text);
    Finish(dialog);
    EXPECT_EQ(token_.library, RegisteredValue(std::string(31, 'n')));
    EXPECT_EQ(std::string(31, 'n'), RegisteredValue("DefaultToken"));
}

}  // namespace
