// The maintenance commands reached through the real Kovara.exe: the weekly
// reminder at start-up, the preferences from the tray with the start-menu
// helper, and the recovery and change of a password from the log-in page.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "told.h"
#include "keys/files/key_files.h"
#include "maintenance/registry/registry_settings.h"
#include "resources/resource.h"
#include "user_on_token.h"

namespace {

const DWORD kSlowMs = 30000;  // a start of the program under load

class KovaraProgram : public UserOnTokenTest {
protected:
    PROCESS_INFORMATION process = {};

    void SetUp() override {
        UserOnTokenTest::SetUp();
        ASSERT_TRUE(CopyFileA(KOVARA_EXE, folder.File("Kovara.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(LANYARD_STANDIN, folder.File("lanyard.exe").c_str(), FALSE));
        SetReminder(kPasswordReminder, 0);
        SetReminder(kBackupReminder, 0);
    }
    void TearDown() override {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
                ADD_FAILURE() << "Kovara.exe was still running";
                TerminateProcess(process.hProcess, 1);
                WaitForSingleObject(process.hProcess, kSlowMs);
            }
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        SetReminder(kPasswordReminder, 0);
        SetReminder(kBackupReminder, 0);
        HKEY kovara;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kovara", 0, KEY_ALL_ACCESS, &kovara) == ERROR_SUCCESS) {
            RegDeleteValueA(kovara, "FirstUse");
            RegCloseKey(kovara);
        }
        UserOnTokenTest::TearDown();
    }
    // Starts the program and proves the token password in its authorisation.
    void Start() {
        std::string exe = folder.File("Kovara.exe");
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.path.c_str(),
                                   &startup, &process));
        HWND authorisation =
            robot::WaitForWindow("#32770", "Kovara - Token Authorisation", kSlowMs, process.dwProcessId);
        ASSERT_NE(nullptr, authorisation);
        robot::SetControlText(authorisation, IDC_TOKEN_PASSWORD, kUserTokenPin);
        robot::PressButton(authorisation, IDC_TOKEN_OK);
        ASSERT_TRUE(robot::WaitForClose(authorisation, kSlowMs));
    }
    robot::Box Answer(int button) {
        robot::Box seen;
        HWND box = robot::WaitForBox(nullptr, kSlowMs, process.dwProcessId);
        EXPECT_NE(nullptr, box) << "no box of Kovara.exe appeared";
        if (!box) return seen;
        seen = robot::ReadBox(box);
        robot::PressButton(box, button);
        robot::WaitForClose(box);
        return seen;
    }
    HWND Dialog(const char *caption) {
        HWND dialog = robot::WaitForWindow("#32770", caption, kSlowMs, process.dwProcessId);
        EXPECT_NE(nullptr, dialog) << caption;
        return dialog;
    }
    // The main window: the dialog holding the log-in page's OK button.
    HWND MainWindow() {
        HWND window = nullptr;
        auto found = [&] {
            while ((window = FindWindowExA(nullptr, window, "#32770", "Kovara")) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == process.dwProcessId && GetDlgItem(window, IDC_LOGIN_OK)) return true;
            }
            return false;
        };
        EXPECT_TRUE(robot::WaitUntil(found, kSlowMs, "the main window of Kovara.exe"));
        return window;
    }
    void Exit(HWND main) {
        PostMessageA(main, WM_CLOSE, 0, 0);
        HWND question = robot::WaitForBox("Exit Application?", kSlowMs, process.dwProcessId);
        ASSERT_NE(nullptr, question);
        robot::PressButton(question, IDYES);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, kSlowMs));
    }
};

TEST_F(KovaraProgram, WeeklyReminderAtStartAndPreferencesFromTheTray) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    ULARGE_INTEGER ticks = {{file.dwLowDateTime, file.dwHighDateTime}};
    ticks.QuadPart -= 7 * 864000000000ULL;
    file.dwLowDateTime = ticks.LowPart;
    file.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME weekAgo;
    FileTimeToSystemTime(&file, &weekAgo);
    ASSERT_EQ(1, RecordFirstUse(weekAgo.wYear, weekAgo.wMonth, weekAgo.wDay));
    SetReminder(kPasswordReminder, 1);
    SetReminder(kBackupReminder, 1);

    Start();
    EXPECT_EQ("Hi, this is your weekly password updation reminder.You are reminded to update your password.",
              Answer(IDOK).text);
    HWND main = MainWindow();
    ASSERT_NE(nullptr, main);

    PostMessageA(main, WM_COMMAND, IDM_PREFERENCES, 0);
    HWND preferences = Dialog("Kovara - Setup Your Preferences");
    ASSERT_NE(nullptr, preferences);
    SendMessageA(GetDlgItem(preferences, IDC_PREF_BACKUP_YES), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(preferences, IDC_PREF_START_MENU_YES), BM_CLICK, 0, 0);
    robot::PressButton(preferences, IDC_PREF_OK);
    EXPECT_EQ("Your preferences have been saved.", Answer(IDOK).text);
    EXPECT_TRUE(robot::WaitForClose(preferences, kSlowMs));
    EXPECT_EQ(0, ReminderOn(kPasswordReminder));
    EXPECT_EQ(1, ReminderOn(kBackupReminder));

    std::string marker = folder.File("lanyard-started.txt");
    EXPECT_TRUE(robot::WaitUntil([&] { return FileExists(marker); }, kSlowMs, "lanyard.exe writes " + marker));
    Bytes text = ReadBytes(marker);
    EXPECT_EQ("started hidden\n", std::string(text.begin(), text.end()));
    Exit(main);
}

TEST_F(KovaraProgram, ForgottenPasswordThenChangeFromTheLogInPage) {
    const char answers[3][kAnswerFieldSize] = {"Jones", "blue", "90210"};
    {
        robot::Answerer quiet;
        ASSERT_EQ(1, SealRecoveryFile(folder.File("PRF\\Ann.prf").c_str(), "pw of ann", answers));
    }
    Start();
    HWND main = MainWindow();
    ASSERT_NE(nullptr, main);

    PostMessageA(GetDlgItem(main, IDC_FORGOT_PASSWORD), BM_CLICK, 0, 0);  // the click runs a modal dialog
    HWND recover = Dialog("Kovara - Recover Your Password");
    ASSERT_NE(nullptr, recover);
    EXPECT_EQ(BST_UNCHECKED, robot::CheckState(main, IDC_FORGOT_PASSWORD)) << "the tick is cleared at once";
    robot::SetControlText(recover, IDC_RECOVER_USER, "Ann");
    robot::SetControlText(recover, IDC_RECOVERY_ANSWER_1, "Jones");
    robot::SetControlText(recover, IDC_RECOVERY_ANSWER_2, "blue");
    robot::SetControlText(recover, IDC_RECOVERY_ANSWER_3, "90210");
    robot::PressButton(recover, IDC_RECOVER_SUBMIT);
    EXPECT_EQ("Password was recovered successfully!\nPassword: pw of ann", Answer(IDOK).text);
    EXPECT_TRUE(robot::WaitForClose(recover, kSlowMs));

    robot::PressButton(main, IDC_CHANGE_PASSWORD);
    HWND change = Dialog("Kovara - Change Password");
    ASSERT_NE(nullptr, change);
    robot::SetControlText(change, IDC_CHANGE_USER, "Ann");
    robot::SetControlText(change, IDC_CHANGE_TOKEN_PASSWORD, kUserTokenPin);
    robot::SetControlText(change, IDC_CHANGE_OLD_PASSWORD, "pw of ann");
    robot::SetControlText(change, IDC_CHANGE_NEW_PASSWORD, "a new password");
    robot::SetControlText(change, IDC_CHANGE_RECONFIRM, "a new password");
    robot::PressButton(change, IDC_CHANGE_OK);
    robot::Box recommendation = Answer(IDNO);
    EXPECT_EQ("Kovara - Recommendation", recommendation.caption);
    EXPECT_EQ("Password changed successfully.", Answer(IDOK).text);
    EXPECT_TRUE(robot::WaitForClose(change, kSlowMs));
    Exit(main);

    robot::Answerer quiet;
    EXPECT_EQ(
        1, ToldIdentity(nullptr, CheckUserIdentity(nullptr, "a new password", ann.vaultPath.c_str(), kUserTokenPin, nullptr)));
    EXPECT_EQ(0, ToldIdentity(nullptr, CheckUserIdentity(nullptr, "pw of ann", ann.vaultPath.c_str(), kUserTokenPin, nullptr)));
}

}  // namespace
