// Start-up after a run that ended with its vault open, and the end of the
// Windows session with a vault open: the real Kovara.exe under Wine.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "driver_fixture.h"
#include "key_fixture.h"
#include "maintenance/registry/registry_settings.h"
#include "manager_run.h"
#include "resources/resource.h"
#include "robot.h"
#include "shell/manager/my_documents.h"

namespace {

const char kRestart[] =
    "A registry entry for Kovara was found changed outside the program.\n\nKovara driver is either in use or is not "
    "accessible.\nCheck that the vault may already be open.\n\nYou must restart your computer to resolve this "
    "problem.";

std::string LockFailureText(char letter) {
    return std::string("The Vault (") + letter +
           ":) could not be locked.\n\nPossible reasons can be: \n1. Open file(s) within the vault,"
           "\n2. Open folder(s) within the vault,\n3. An open Windows Explorer is accessing the vault."
           "\n4. The vault being accessed by another application.";
}

class ShutdownTest : public ::testing::Test {
protected:
    drivertest::TempFolder vaults;

    void SetUp() override {
        drivertest::ReleaseEveryVault();
        ClearOpenVault();
    }
    void TearDown() override {
        drivertest::SetOpenFiles(0);
        drivertest::ReleaseEveryVault();
        ClearOpenVault();
    }
    robot::Box Answer(ManagerRun &run, const char *caption, int button) {
        robot::Box seen;
        HWND box = robot::WaitForBox(caption, 20000, run.pid());
        EXPECT_TRUE(box != NULL) << "no box \"" << caption << "\"";
        if (!box) return seen;
        seen = robot::ReadBox(box);
        robot::PressButton(box, button);
        robot::WaitForClose(box);
        return seen;
    }
    // Ends a program at its main window through the exit question.
    void Exit(ManagerRun &run, HWND main) {
        PostMessageA(main, WM_CLOSE, 0, 0);
        Answer(run, "Exit Application?", IDYES);
        EXPECT_EQ(0u, run.WaitForExit());
    }
    // A vault left open on the driver, as a run that was killed leaves it.
    void LeaveVaultOpenOn(char letter) {
        ASSERT_EQ(0u, drivertest::OpenVaultOn(letter, vaults.path + "\\left.udf", 5));
        char drive[3] = {letter, ':', '\0'};
        ASSERT_EQ(1, SetOpenVault(drive));
    }
};

}  // namespace

TEST_F(ShutdownTest, DriverReadyWithOpenVaultIsReportedOnce) {
    ASSERT_EQ(1, SetOpenVault("F:"));
    {
        ManagerRun run;
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.AuthoriseToken());
        robot::Box box = Answer(run, "Kovara", IDOK);
        EXPECT_EQ(
            "Kovara has detected improper shutdown.\nTo avoid viewing this message, please remember to lock "
            "your vault upon use.",
            box.text);
        EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), box.icon);
        HWND main = run.WaitForMainWindow();
        ASSERT_TRUE(main != NULL);
        EXPECT_EQ("<no value>", OpenVaultValue());
        Exit(run, main);
    }
    ManagerRun again;
    ASSERT_TRUE(again.Start());
    ASSERT_TRUE(again.AuthoriseToken());
    HWND main = again.WaitForMainWindow();
    ASSERT_TRUE(main != NULL) << "no message the second time";
    Exit(again, main);
}

TEST_F(ShutdownTest, DriverBusyWithoutAWellFormedOpenVaultAsksForARestart) {
    LeaveVaultOpenOn('F');
    for (const char *value : {(const char *)NULL, "F", "F:\\"}) {
        if (value)
            ASSERT_EQ(1, SetOpenVault(value));
        else
            ClearOpenVault();
        ManagerRun run;
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.AuthoriseToken());
        EXPECT_EQ(kRestart, Answer(run, "Kovara", IDOK).text) << (value ? value : "no value");
        EXPECT_EQ(0u, run.WaitForExit());
    }
}

TEST_F(ShutdownTest, SecurityAlertLocksTheLeftVaultOrGivesUp) {
    LeaveVaultOpenOn('F');
    {
        // A file open in the vault: the lock fails, OK tries again, Esc gives up.
        ManagerRun run;
        ASSERT_TRUE(drivertest::SetOpenFiles(1));
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.AuthoriseToken());
        HWND alert = run.WaitForDialog("Kovara: Security Alert");
        ASSERT_TRUE(alert != NULL);
        EXPECT_EQ("", robot::ControlText(alert, IDC_LOCK_STATUS));
        robot::WaitForPainted(alert);
        robot::Screenshot("manager-security-alert");
        robot::PressButton(alert, IDOK);
        EXPECT_EQ(LockFailureText('F'), Answer(run, "Kovara", IDOK).text);
        EXPECT_TRUE(IsWindow(alert)) << "OK leaves the dialog up for another try";
        EXPECT_EQ("Status : Lock Failed, Try Again. ", robot::ControlText(alert, IDC_LOCK_STATUS));
        EXPECT_TRUE(robot::IsControlEnabled(alert, IDOK));
        PostMessageA(alert, WM_COMMAND, IDCANCEL, 0);
        Answer(run, "Kovara", IDOK);
        EXPECT_EQ(0u, run.WaitForExit()) << "Esc after a failed lock ends the program";
        EXPECT_EQ("F:", OpenVaultValue());
    }
    // Files closed: the lock goes through and, My Documents being on NTFS,
    // start-up goes on to the main window.
    ASSERT_TRUE(drivertest::SetOpenFiles(0));
    ManagerRun run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.AuthoriseToken());
    HWND alert = run.WaitForDialog("Kovara: Security Alert");
    ASSERT_TRUE(alert != NULL);
    robot::PressButton(alert, IDOK);
    HWND main = run.WaitForMainWindow();
    ASSERT_TRUE(main != NULL);
    EXPECT_EQ("<no value>", OpenVaultValue());
    EXPECT_FALSE(drivertest::LetterInUse('F'));
    Exit(run, main);
}

// Wine reports NTFS for every drive, a FAT image included, so the FAT case
// of the decision is checked below the volume query.
TEST(FileSystemKind, FatInAnyCaseIsKindOneEverythingElseTwo) {
    EXPECT_EQ(1, FileSystemKindOf("FAT"));
    EXPECT_EQ(1, FileSystemKindOf("FAT32"));
    EXPECT_EQ(1, FileSystemKindOf("vfat"));
    EXPECT_EQ(2, FileSystemKindOf("NTFS"));
    EXPECT_EQ(2, FileSystemKindOf(""));
}

// A My Documents path too long for the shortcut's 261-byte path turns the
// shortcut off instead of writing past the buffer.
TEST(ShortcutPath, FitsOrIsRefusedWithoutWritingPastTheBuffer) {
    struct Row {
        size_t folderLength;
        bool endsInBackslash;
        int fits;
    } rows[] = {{3, true, 1}, {249, false, 1}, {250, false, 0}, {250, true, 1}, {251, true, 0}, {400, false, 0}};
    for (const Row &row : rows) {
        std::string folder = "C:\\" + std::string(row.folderLength - 3, 'd');
        if (row.endsInBackslash) folder.back() = '\\';
        struct {
            char path[261];
            char guard[64];
        } out;
        memset(&out, 'x', sizeof out);
        EXPECT_EQ(row.fits, ShortcutPathIn(folder.c_str(), out.path, sizeof out.path)) << row.folderLength;
        EXPECT_EQ(std::string(sizeof out.guard, 'x'), std::string(out.guard, sizeof out.guard)) << row.folderLength;
        if (row.fits)
            EXPECT_EQ(folder + (row.endsInBackslash ? "" : "\\") + "Kovara.lnk", out.path);
        else
            EXPECT_EQ('x', out.path[0]) << "nothing written";
    }
}

TEST_F(ShutdownTest, LogOffWithTheVaultOpen) {
    ManagerRun run;
    RegisteredUser ann(run);
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.AuthoriseToken());
    HWND main = run.WaitForMainWindow();
    ASSERT_TRUE(main != NULL);
    robot::SetControlText(main, IDC_LOGIN_USER, "Ann");
    robot::SetControlText(main, IDC_LOGIN_PASSWORD, "pw of ann");
    robot::PressButton(main, IDC_LOGIN_OK);
    HWND authorise = run.WaitForDialog("Kovara - Authorise Token Use");
    ASSERT_TRUE(authorise != NULL);
    robot::SetControlText(authorise, IDC_TOKEN_PASSWORD, kTokenPin);
    robot::PressButton(authorise, IDOK);
    HWND howToUse = run.WaitForDialog("Kovara - How To Use", 30000);
    ASSERT_TRUE(howToUse != NULL);
    PostMessageA(howToUse, WM_COMMAND, IDC_EXPLORE_VAULT, 0);
    ASSERT_TRUE(robot::WaitForClose(howToUse));

    // No: the session may end with the vault open.
    LRESULT allowed = 0;
    {
        SentMessage query(main, WM_QUERYENDSESSION, 0, 0);
        robot::Box question = Answer(run, "Kovara: Security Alert", IDNO);
        EXPECT_EQ(0u, question.text.find("Windows indicates log off.\n\nSECURITY ALERT: \nYou still have your vault "
                                         "open."));
        EXPECT_EQ((std::vector<int>{IDYES, IDNO}), question.buttons);
        ASSERT_TRUE(query.Wait(&allowed));
        EXPECT_EQ(TRUE, allowed);
        EXPECT_EQ("D:", OpenVaultValue());
    }
    // Yes with a file open in the vault: the lock fails and the end of the
    // session is refused.
    ASSERT_TRUE(drivertest::SetOpenFiles(1));
    {
        SentMessage query(main, WM_QUERYENDSESSION, 0, 0);
        Answer(run, "Kovara: Security Alert", IDYES);
        EXPECT_EQ(LockFailureText('D'), Answer(run, "Kovara", IDOK).text);
        ASSERT_TRUE(query.Wait(&allowed));
        EXPECT_EQ(FALSE, allowed);
        EXPECT_EQ("D:", OpenVaultValue());
    }
    // Yes with the files closed: locked, and the program ends.
    ASSERT_TRUE(drivertest::SetOpenFiles(0));
    {
        SentMessage query(main, WM_QUERYENDSESSION, 0, 0);
        Answer(run, "Kovara: Security Alert", IDYES);
        EXPECT_EQ(0u, run.WaitForExit());
    }
    EXPECT_EQ("<no value>", OpenVaultValue());
    EXPECT_FALSE(drivertest::LetterInUse('D'));
}
