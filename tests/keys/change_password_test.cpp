// Change of password: the dialog's checks and focus, the recommended token
// key backup, and the re-sealed record on the token.
#include <gtest/gtest.h>
#include <string.h>

#include <functional>
#include <string>

#include "told.h"
#include "keys/change_password/change_password.h"
#include "keys/files/key_files.h"
#include "maintenance/registry/registry_settings.h"
#include "user_on_token.h"
#include "resources/resource.h"

namespace {

const char kCaption[] = "Kovara - Change Password";

class ChangePasswordTest : public UserOnTokenTest {
protected:
    HWND Open() {
        HWND dialog = runner.Start([] { RunChangePasswordDialog(nullptr); }, kCaption);
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }
    void Fill(HWND dialog, const char *user, const char *tokenPassword, const char *oldPassword,
              const char *newPassword, const char *reconfirm) {
        robot::SetControlText(dialog, IDC_CHANGE_USER, user);
        robot::SetControlText(dialog, IDC_CHANGE_TOKEN_PASSWORD, tokenPassword);
        robot::SetControlText(dialog, IDC_CHANGE_OLD_PASSWORD, oldPassword);
        robot::SetControlText(dialog, IDC_CHANGE_NEW_PASSWORD, newPassword);
        robot::SetControlText(dialog, IDC_CHANGE_RECONFIRM, reconfirm);
    }
    // Presses OK, answers the refusal and returns it with the focused control's id.
    std::pair<std::string, int> Refusal(HWND dialog) {
        robot::PressButton(dialog, IDC_CHANGE_OK);
        std::string text = AnswerBox(IDOK).text;
        EXPECT_TRUE(robot::WaitForIdle(dialog)) << "the dialog's thread is done with the refusal";
        GUITHREADINFO info;
        memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
        return {text, info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0};
    }
    std::string Ask(const char *password, const char *vaultPath) {
        robot::Answerer quiet;
        return ToldIdentity(nullptr, CheckUserIdentity(nullptr, password, vaultPath, kUserTokenPin, 0)) ? "opens" : "refused";
    }
};

using Refused = std::pair<std::string, int>;

TEST_F(ChangePasswordTest, ChecksInOrderWithTheirFocus) {
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ((Refused{"Username must be entered.", IDC_CHANGE_USER}), Refusal(dialog));
    Fill(dialog, "Ann", "", "", "", "");
    EXPECT_EQ((Refused{"Token password must be entered.", IDC_CHANGE_TOKEN_PASSWORD}), Refusal(dialog));
    Fill(dialog, "Ann", kUserTokenPin, "", "", "");
    EXPECT_EQ((Refused{"You must enter your existing password.", IDC_CHANGE_OLD_PASSWORD}), Refusal(dialog));
    Fill(dialog, "Ann", kUserTokenPin, "pw of ann", "1234567", "1234567");
    EXPECT_EQ((Refused{"Minimum required length of a new password is eight.", IDC_CHANGE_NEW_PASSWORD}),
              Refusal(dialog));
    Fill(dialog, "Ann", kUserTokenPin, "pw of ann", "12345678", "1234567");
    EXPECT_EQ((Refused{"New password has not been reconfirmed correctly.", IDC_CHANGE_RECONFIRM}), Refusal(dialog));
    // A character differing only in case: refused, the focus stays where it was.
    Fill(dialog, "Ann", kUserTokenPin, "pw of ann", "Password", "password");
    PostMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_CHANGE_OLD_PASSWORD), TRUE);
    EXPECT_EQ((Refused{"New password has not been reconfirmed correctly.", IDC_CHANGE_OLD_PASSWORD}), Refusal(dialog));

    // Eight characters pass; a wrong old password changes nothing.
    Fill(dialog, "Ann", kUserTokenPin, "pw of Ann", "12345678", "12345678");
    robot::PressButton(dialog, IDC_CHANGE_OK);
    robot::Box recommendation = AnswerBox(IDNO, "Kovara - Recommendation");
    EXPECT_EQ(0u, recommendation.text.find("RECOMMENDATION:\n\nMake a backup of your key"));
    EXPECT_EQ((UINT)MB_ICONQUESTION, recommendation.icon);
    EXPECT_EQ("Either username or password is incorrect.", AnswerBox(IDOK).text);
    EXPECT_EQ(ann.record, TokenRecord());
    robot::PressButton(dialog, IDC_CHANGE_CANCEL);
    EXPECT_TRUE(runner.Finish());
}

TEST_F(ChangePasswordTest, NewPasswordOpensTheSameVaultAndTheOldOneFails) {
    Bytes vaultInfo = ReadBytes(folder.File("Key\\Ann.vault"));
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Fill(dialog, "Ann", kUserTokenPin, "pw of ann", "12345678", "12345678");
    robot::PressButton(dialog, IDC_CHANGE_OK);
    AnswerBox(IDNO, "Kovara - Recommendation");
    robot::Box done = AnswerBox(IDOK);
    EXPECT_EQ("Password changed successfully.", done.text);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, done.icon);
    EXPECT_TRUE(runner.Finish());

    Bytes changed = TokenRecord();
    ASSERT_EQ(852u, changed.size());
    EXPECT_TRUE(std::equal(ann.record.begin(), ann.record.begin() + 596, changed.begin()));
    EXPECT_NE(ann.record, changed);
    EXPECT_EQ("refused", Ask("pw of ann", ann.vaultPath.c_str()));
    EXPECT_EQ("opens", Ask("12345678", ann.vaultPath.c_str()));
    robot::Answerer quiet;
    EXPECT_EQ(1, Told(nullptr, CheckVaultInfo(nullptr, "12345678", ann.vaultPath.c_str(), "Ann", kUserTokenPin, 0)));
    EXPECT_EQ(vaultInfo, ReadBytes(folder.File("Key\\Ann.vault")));
}

TEST_F(ChangePasswordTest, SamePasswordStoresAnIdenticalRecord) {
    robot::Answerer quiet;
    EXPECT_EQ(1, Told(nullptr, ChangePassword(nullptr, "pw of ann", "pw of ann", "Ann", kUserTokenPin)));
    EXPECT_EQ(ann.record, TokenRecord());
}

TEST_F(ChangePasswordTest, BackupChosenFirstAndCancelledOrFailedAbandonsTheChange) {
    BackupFolder backups;
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Fill(dialog, "Ann", kUserTokenPin, "pw of ann", "12345678", "12345678");
    robot::PressButton(dialog, IDC_CHANGE_OK);
    AnswerBox(IDYES, "Kovara - Recommendation");
    AnswerFolderBrowser(nullptr);
    robot::WaitForIdle(dialog);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(ann.record, TokenRecord()) << "cancelled backup: nothing changed";

    // A backup that fails (a folder of its name in the way) abandons the
    // change too.
    CreateDirectoryA(backups.File("KovdevTokenKey.user").c_str(), nullptr);
    robot::PressButton(dialog, IDC_CHANGE_OK);
    AnswerBox(IDYES, "Kovara - Recommendation");
    AnswerFolderBrowser(backups.path.c_str());
    EXPECT_EQ(0u, AnswerBox(IDOK).text.find("Error creating backup.\nTry Again."));
    robot::WaitForIdle(dialog);
    EXPECT_TRUE(IsWindow(dialog));
    RemoveDirectoryA(backups.File("KovdevTokenKey.user").c_str());
    EXPECT_EQ(ann.record, TokenRecord()) << "failed backup: nothing changed";

    robot::PressButton(dialog, IDC_CHANGE_OK);
    AnswerBox(IDYES, "Kovara - Recommendation");
    AnswerFolderBrowser(backups.path.c_str());
    EXPECT_EQ(0u, AnswerBox(IDOK).text.find("Backup created successfully!"));
    EXPECT_EQ("Password changed successfully.", AnswerBox(IDOK).text);
    EXPECT_TRUE(runner.Finish());
    EXPECT_EQ(ann.record, ReadBytes(backups.File("KovdevTokenKey.user"))) << "the backup holds the old key";
    EXPECT_EQ("opens", Ask("12345678", ann.vaultPath.c_str()));
}

TEST_F(ChangePasswordTest, RefusalsBeforeTheTokenIsWritten) {
    // Each row fails before anything is written: the old record stays. Each
    // row's fault is put in place just before it and taken away after it.
    const std::string notRegistered =
        "cannot be found.\nIf you entered wrong username, then correct it.\nElse If you changed Windows registry "
        "settings for Kovara, \nthen restore the settings before changing password.";
    struct Row {
        const char *user, *tokenPin;
        std::string text;
        std::function<void()> fault, undo;
    } rows[] = {
        {"Nobody", kUserTokenPin, "The vault for user \"Nobody\" " + notRegistered, nullptr, nullptr},
        {"Ann", kUserTokenPin, "The vault for user \"Ann\" " + notRegistered,
         [] { UnregisterVault("Ann"); }, [&] { RegisterVault("Ann", ann.vaultPath.c_str()); }},
        {"Ann", "wrong pin", "Token authorisation failed.\nToken Password is wrong.", nullptr, nullptr},
        {"Ann", kUserTokenPin, "Failed to initialize key search on the token.",
         [&] { token.Configure(SoftSlotSection("1", "fail = findinit\n", kUserTokenPin)); },
         [&] { token.Configure(SoftSlotSection("1", "", kUserTokenPin)); }},
        {"Ann", kUserTokenPin, "Vault for user Ann not found.",
         [&] { MoveFileA(ann.vaultPath.c_str(), (ann.vaultPath + ".away").c_str()); },
         [&] { MoveFileA((ann.vaultPath + ".away").c_str(), ann.vaultPath.c_str()); }},
    };
    for (const Row &row : rows) {
        if (row.fault) row.fault();
        robot::Answerer answerer;
        answerer.Answer(IDOK);
        EXPECT_EQ(0, Told(nullptr, ChangePassword(nullptr, "pw of ann", "12345678", row.user, row.tokenPin)))
            << row.text;
        answerer.Finish();
        if (row.undo) row.undo();
        ASSERT_EQ(1u, answerer.Boxes().size()) << row.text;
        EXPECT_EQ(row.text, answerer.Boxes()[0].text);
        EXPECT_EQ(ann.record, TokenRecord()) << row.text;
    }
    EXPECT_EQ("opens", Ask("pw of ann", ann.vaultPath.c_str())) << "every fault was taken away again";
}

TEST_F(ChangePasswordTest, TwoKeyObjectsAfterACutOffChange) {
    // A change to "12345678" cut off after its new object was created.
    TestUser changed("Ann", "12345678", ann.vaultPath, 71);
    AddKeyObject(changed.record);
    ASSERT_EQ(2, KeyObjectCount());
    EXPECT_EQ("opens", Ask("12345678", ann.vaultPath.c_str()));
    EXPECT_EQ("opens", Ask("pw of ann", ann.vaultPath.c_str()));
    {
        robot::Answerer quiet;
        EXPECT_EQ(1,
                  Told(nullptr, CheckVaultInfo(nullptr, "12345678", ann.vaultPath.c_str(), "Ann", kUserTokenPin, 0)));
        EXPECT_EQ(1, Told(nullptr, ChangePassword(nullptr, "12345678", "third pw 1", "Ann", kUserTokenPin)));
    }
    EXPECT_EQ(1, KeyObjectCount()) << "both old objects go";
    EXPECT_EQ("opens", Ask("third pw 1", ann.vaultPath.c_str()));
    EXPECT_EQ("refused", Ask("pw of ann", ann.vaultPath.c_str()));
    EXPECT_EQ("refused", Ask("12345678", ann.vaultPath.c_str()));
}

TEST_F(ChangePasswordTest, ATokenWithRoomForOneKeyKeepsTheOldOne) {
    // Room for one object: the old one goes first. One store refused after
    // the delete: the old record goes back. Every store refused: the old
    // record is offered as a whole backup before it is wiped.
    BackupFolder backups;
    for (int refused : {0, 1, 99}) {
        ArmFullAfterDestroy(refused);
        if (refused == 0) {
            robot::Answerer answerer;
            EXPECT_EQ(1, Told(nullptr, ChangePassword(nullptr, "pw of ann", "12345678", "Ann", kUserTokenPin)));
            EXPECT_EQ(1, Told(nullptr, ChangePassword(nullptr, "12345678", "pw of ann", "Ann", kUserTokenPin)));
            answerer.Finish();
            EXPECT_TRUE(answerer.Boxes().empty());
            EXPECT_EQ(1, KeyObjectCount());
            EXPECT_EQ(ann.record, TokenRecord());
            continue;
        }
        int result = -1;
        runner.Start(
            [&] { result = Told(nullptr, ChangePassword(nullptr, "pw of ann", "12345678", "Ann", kUserTokenPin)); },
            "Kovara");
        EXPECT_EQ("Not enough free memory to store key object on token.", AnswerBox(IDOK).text);
        if (refused == 1) {
            EXPECT_EQ(
                "The new password could not be stored on the token."
                "\nThe key the token held before was stored back: nothing was changed, your old "
                "password stays valid.",
                AnswerBox(IDOK).text);
            ASSERT_TRUE(runner.Finish());
            EXPECT_EQ(ann.record, TokenRecord());
            continue;
        }
        EXPECT_EQ(0u, AnswerBox(IDOK).text.find("The new password could not be stored on the token, and the "
                                                "key it held before could not be stored back."));
        robot::Box offer = AnswerBox(IDNO);
        EXPECT_EQ(0u, offer.text.find("The key the token held before is now kept only in the memory"));
        EXPECT_EQ((UINT)MB_ICONQUESTION, offer.icon);
        EXPECT_EQ("ARE YOU SURE TO DISCARD THE KEY?", AnswerBox(IDNO, "WARNING").text);
        AnswerBox(IDYES);
        AnswerFolderBrowser(backups.path.c_str());
        EXPECT_EQ("Backup created successfully!\nCreated in location:\n" + backups.File("KovdevTokenKey.user"),
                  AnswerBox(IDOK).text);
        ASSERT_TRUE(runner.Finish());
        EXPECT_EQ(0, result);
        EXPECT_TRUE(TokenRecord().empty());
        EXPECT_EQ(ann.record, ReadBytes(backups.File("KovdevTokenKey.user"))) << "the 852-byte last copy";
    }
}

}  // namespace
