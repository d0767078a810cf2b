// The vault manager end to end: the real Kovara.exe under Wine, driven by the
// robot from start-up through log-in, the tray and the lock to its end.
#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <string>

#include "driver_fixture.h"
#include "key_fixture.h"
#include "maintenance/registry/registry_settings.h"
#include "manager_run.h"
#include "resources/resource.h"
#include "robot.h"

namespace {

const char kLockFailureD[] =
    "The Vault (D:) could not be locked.\n\nPossible reasons can be: \n1. Open file(s) within the vault,"
    "\n2. Open folder(s) within the vault,\n3. An open Windows Explorer is accessing the vault."
    "\n4. The vault being accessed by another application.";

std::string MyDocumentsShortcut() {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_PERSONAL, NULL, 0, path);
    return std::string(path) + "\\Kovara.lnk";
}

// Running processes named Kovara.exe.
int CountManagerProcesses() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 entry = {sizeof entry};
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (!lstrcmpiA(entry.szExeFile, "Kovara.exe")) ++count;
    CloseHandle(snapshot);
    return count;
}

// A screenshot once the window has drawn itself: the update paints it
// through its own thread before RedrawWindow returns.
void Photograph(HWND window, const char *name) {
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    robot::Screenshot(name);
}

// Sends the main window a command or a tray click while a pass runs its
// dialogs; true when it was refused at once (no dialog, no menu, no end).
bool RefusedDuringPass(ManagerRun &run, HWND main, UINT message, WPARAM wParam, LPARAM lParam) {
    SentMessage sent(main, message, wParam, lParam);
    LRESULT result = 0;
    bool answered = sent.Wait(&result, 10000);
    bool quiet = !robot::WaitForWindow("#32768", NULL, 0, run.pid()) &&
                 !run.WaitForDialog("Kovara - Lock Vault and Exit?", 0) && run.WaitForExit(0) == STILL_ACTIVE &&
                 !IsWindowVisible(main);
    return answered && quiet;
}

// The icon the shell shows in its tray: a visible child of the tray window
// (Wine's "Wine System Tray" on a display without a tray of its own, which
// shows only while it holds an icon); NULL while none is shown.
HWND ShellTrayIcon() {
    for (const char *tray : {"__winex11_standalone_tray", "Shell_TrayWnd"}) {
        HWND window = FindWindowA(tray, NULL);
        if (!window || !IsWindowVisible(window)) continue;
        for (HWND icon = GetWindow(window, GW_CHILD); icon; icon = GetWindow(icon, GW_HWNDNEXT))
            if (IsWindowVisible(icon)) return icon;
    }
    return NULL;
}

// The text a drive pick leaves beside check box 1410.
std::string PickDrive(ManagerRun &run, HWND main, char letter) {
    SendDlgItemMessageA(main, IDC_PICK_DRIVE, BM_SETCHECK, BST_CHECKED, 0);
    robot::PressButton(main, IDC_PICK_DRIVE);
    HWND pick = run.WaitForDialog("Kovara - Select Drive To Open Vault On");
    EXPECT_TRUE(pick != NULL);
    if (!pick) return "<no dialog>";
    if (letter) {
        EXPECT_TRUE(robot::IsControlEnabled(pick, IDC_DRIVE_A + (letter - 'A')));
        SendDlgItemMessageA(pick, IDC_DRIVE_A + (letter - 'A'), BM_SETCHECK, BST_CHECKED, 0);
        robot::PressButton(pick, IDOK);
    } else {
        robot::PressButton(pick, IDCANCEL);
    }
    EXPECT_TRUE(robot::WaitForClose(pick));
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::CheckState(main, IDC_PICK_DRIVE) == BST_UNCHECKED; }));
    return robot::ControlText(main, IDC_PICKED_DRIVE_TEXT);
}

class VaultManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        drivertest::ReleaseEveryVault();
        ClearOpenVault();
        SetWindowsVersionForKovara(NULL);
    }
    void TearDown() override {
        drivertest::SetOpenFiles(0);
        drivertest::ReleaseEveryVault();
        ClearOpenVault();
        SetWindowsVersionForKovara(NULL);
    }

    // Reads a box of the program, checks its caption and presses button.
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

    // Starts the program through token authorisation to its main window.
    HWND StartToMainWindow(ManagerRun &run) {
        EXPECT_TRUE(run.Start());
        EXPECT_TRUE(run.AuthoriseToken());
        return run.WaitForMainWindow();
    }

    // Logs Ann in through the log-in page; the How To Use window is left up.
    HWND LogIn(ManagerRun &run, HWND main) {
        robot::SetControlText(main, IDC_LOGIN_USER, "Ann");
        robot::SetControlText(main, IDC_LOGIN_PASSWORD, "pw of ann");
        EXPECT_EQ("pw of ann", robot::ControlText(main, IDC_LOGIN_PASSWORD));
        robot::PressButton(main, IDC_LOGIN_OK);
        HWND authorise = run.WaitForDialog("Kovara - Authorise Token Use");
        EXPECT_TRUE(authorise != NULL);
        if (authorise) {
            EXPECT_EQ("", robot::ControlText(main, IDC_LOGIN_PASSWORD)) << "the password was taken";
            // The pass's dialog keeps the message loop running: the tray's
            // Lock & Exit and its clicks are refused until the pass ends.
            ShowWindow(main, SW_HIDE);
            EXPECT_TRUE(RefusedDuringPass(run, main, WM_COMMAND, IDM_LOCK_AND_EXIT, 0));
            EXPECT_TRUE(RefusedDuringPass(run, main, WM_USER + 1, 8081, WM_RBUTTONUP));
            robot::SetControlText(authorise, IDC_TOKEN_PASSWORD, kTokenPin);
            robot::PressButton(authorise, IDOK);
        }
        return run.WaitForDialog("Kovara - How To Use", 30000);
    }

    // Opens the tray menu with a click and waits for it.
    HWND TrayMenu(ManagerRun &run, HWND main, LPARAM click) {
        PostMessageA(main, WM_USER + 1, 8081, click);
        return robot::WaitForWindow("#32768", NULL, 10000, run.pid());
    }
};

}  // namespace

// The version record sizes Kovara.exe passes, one per line, as the volume
// shim's recorder saw them (KOVSHIM_VERSION_SIZES).
class VersionSizes {
public:
    VersionSizes() {
        char folder[MAX_PATH] = "";
        GetTempPathA(sizeof folder, folder);
        path_ = std::string(folder) + "kovara-version-sizes.txt";
        DeleteFileA(path_.c_str());
        SetEnvironmentVariableA("KOVSHIM_VERSION_SIZES", path_.c_str());
    }
    ~VersionSizes() {
        SetEnvironmentVariableA("KOVSHIM_VERSION_SIZES", NULL);
        SetEnvironmentVariableA("KOVSHIM_REFUSE_EXTENDED_VERSION", NULL);
        DeleteFileA(path_.c_str());
    }
    std::string Seen() const {
        Bytes bytes = ReadBytes(path_);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::string path_;
};

TEST_F(VaultManagerTest, WindowsVersionsBelow2000AreTurnedAway2000AndXpRun) {
    // The 156-byte extended record first; where it is refused (a system that
    // knows only the basic record) the 148-byte one.
    struct Row {
        const char *version;
        bool basicRecordOnly;
        const char *sizes;
        bool runs;
    } rows[] = {
        {"nt40", false, "156\n", false},
        {"win2k", true, "156\n148\n", true},
        {"winxp", false, "156\n", true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.version);
        SetWindowsVersionForKovara(row.version);
        VersionSizes sizes;
        if (row.basicRecordOnly) SetEnvironmentVariableA("KOVSHIM_REFUSE_EXTENDED_VERSION", "1");
        ManagerRun run;
        ASSERT_TRUE(run.Start());
        if (!row.runs) {
            robot::Box box = Answer(run, "Kovara", IDOK);
            EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), box.icon);
            EXPECT_EQ(0u, box.text.find("This version of Kovara requires Windows 2000, Windows XP or later.\n"));
            EXPECT_EQ(0u, run.WaitForExit());
            EXPECT_EQ(row.sizes, sizes.Seen());
            continue;
        }
        EXPECT_TRUE(run.AuthoriseToken()) << "the version check passes";
        HWND main = run.WaitForMainWindow();
        ASSERT_TRUE(main != NULL);
        EXPECT_EQ(row.sizes, sizes.Seen());
        // No user yet: the new-user page, whose Cancel asks the exit question.
        EXPECT_TRUE(robot::IsControlVisible(main, IDC_CREATE_NEXT));
        EXPECT_FALSE(robot::IsControlVisible(main, IDC_LOGIN_OK));
        robot::PressButton(main, IDC_CREATE_CANCEL);
        EXPECT_EQ(
            "Would you like to exit program Kovara?\n\nClick \"Yes\" to exit program Kovara.\nClick \"No\" to "
            "minimize to task bar.\nClick \"Cancel\" to cancel this command.",
            Answer(run, "Exit Application?", IDYES).text);
        EXPECT_EQ(0u, run.WaitForExit());
    }
}

TEST_F(VaultManagerTest, SecondCopyHandsOverToTheFirstAndEnds) {
    {
        // Another object holds the name "Kovara": the mutex cannot be made,
        // and a copy that the installer's probes would not see does not run.
        HANDLE squatter = CreateEventA(NULL, TRUE, FALSE, "Kovara");
        ASSERT_TRUE(squatter != NULL);
        ManagerRun blocked;
        ASSERT_TRUE(blocked.Start());
        robot::Box box = Answer(blocked, "Kovara", IDOK);
        EXPECT_EQ(0u, box.text.find("Application experienced unknown system error.\nTry Log In Again.")) << box.text;
        EXPECT_EQ(0u, blocked.WaitForExit());
        CloseHandle(squatter);
    }
    ManagerRun run;
    HWND main = StartToMainWindow(run);
    ASSERT_TRUE(main != NULL);
    ShowWindow(main, SW_HIDE);

    // The second copy from the same folder: no window of its own, it starts
    // the companion from the program folder and ends with 0; the companion's
    // request reaches the first copy, which shows its hidden window.
    ASSERT_TRUE(GetFileAttributesA(run.File("ShellHelperKO.exe").c_str()) != INVALID_FILE_ATTRIBUTES);
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION second = {};
    std::string command = "\"" + run.File("Kovara.exe") + "\"";
    ASSERT_TRUE(
        CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &startup, &second));
    {
        // Watches the second copy's windows for as long as it runs: any box
        // or dialog of its own fails the test.
        robot::Answerer watcher(second.dwProcessId);
        ResumeThread(second.hThread);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.hProcess, 20000));
        watcher.Finish();
        EXPECT_TRUE(watcher.Boxes().empty());
    }
    DWORD code = 99;
    GetExitCodeProcess(second.hProcess, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(second.hThread);
    CloseHandle(second.hProcess);
    EXPECT_TRUE(robot::WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 30000))
        << "the companion's request did not show the first copy's window";
    EXPECT_EQ(1, CountManagerProcesses()) << "only the first copy runs";

    // Esc asks the exit question; No minimises.
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    Answer(run, "Exit Application?", IDNO);
    EXPECT_TRUE(robot::WaitUntil([&] { return IsIconic(main) != FALSE; }, 5000));
    PostMessageA(main, WM_CLOSE, 0, 0);
    Answer(run, "Exit Application?", IDYES);
    EXPECT_EQ(0u, run.WaitForExit());
}

TEST_F(VaultManagerTest, LogInTrayAndLockAndExit) {
    ManagerRun run;
    RegisteredUser ann(run);
    // A shortcut left by a run that ended with its vault open, read-only:
    // start-up deletes it.
    std::string shortcut = MyDocumentsShortcut();
    SetFileAttributesA(shortcut.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(shortcut, Bytes(16, 'l'));
    SetFileAttributesA(shortcut.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(FileExists(shortcut));
    HWND main = StartToMainWindow(run);
    ASSERT_TRUE(main != NULL);
    EXPECT_FALSE(FileExists(shortcut)) << "the stale shortcut is deleted at start";
    for (int id : {IDC_LOGIN_OK, IDC_CREATE_NEW_USER, IDC_USE_BACKUP, IDC_CHANGE_PASSWORD, IDC_LOGIN_PROGRESS})
        EXPECT_TRUE(robot::IsControlVisible(main, id)) << "a registered user gets the log-in page: " << id;
    EXPECT_FALSE(robot::IsControlVisible(main, IDC_CREATE_NEXT));
    Photograph(main, "manager-log-in-page");

    // With no vault open a tray click only shows the window.
    ShowWindow(main, SW_HIDE);
    PostMessageA(main, WM_USER + 1, 8081, WM_RBUTTONUP);
    EXPECT_TRUE(robot::WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 5000));

    // Create New User, then Cancel back to the log-in page. On the new-user
    // page Enter runs its own Next, not the hidden log-in button.
    robot::PressButton(main, IDC_CREATE_NEW_USER);
    HWND notice = run.WaitForDialog("Kovara - Create New User");
    ASSERT_TRUE(notice != NULL);
    robot::PressButton(notice, IDOK);
    ASSERT_TRUE(robot::WaitUntil([&] { return robot::IsControlVisible(main, IDC_CREATE_NEXT); }));
    EXPECT_FALSE(robot::IsControlVisible(main, IDC_LOGIN_OK));
    HWND name = GetDlgItem(main, IDC_NEW_USER_NAME);
    PostMessageA(name, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(name, WM_KEYUP, VK_RETURN, 0);
    EXPECT_EQ("Please enter a Username.", Answer(run, "Kovara", IDOK).text);
    robot::PressButton(main, IDC_CREATE_CANCEL);
    ASSERT_TRUE(robot::WaitUntil([&] { return robot::IsControlVisible(main, IDC_LOGIN_OK); }))
        << "Cancel on a new-user page reached from the log-in page returns to it";
    EXPECT_FALSE(robot::IsControlVisible(main, IDC_CREATE_NEXT));

    // The drive pick shows the letter chosen; a cancelled pick clears it and
    // the log-in then chooses the drive itself.
    EXPECT_EQ("[ F: is selected ]", PickDrive(run, main, 'F'));
    EXPECT_EQ("", PickDrive(run, main, 0));

    HWND howToUse = LogIn(run, main);
    ASSERT_TRUE(howToUse != NULL);
    Photograph(howToUse, "manager-how-to-use");
    EXPECT_EQ("My Computer\\Kovara (D:)", robot::ControlText(howToUse, IDC_HOW_TO_USE_PATH));
    EXPECT_EQ("  (D:)", robot::ControlText(howToUse, IDC_HOW_TO_USE_DRIVE));
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ("D:", OpenVaultValue());
    ASSERT_TRUE(FileExists(shortcut)) << "the log-in made the My Documents shortcut";
    robot::PressButton(howToUse, IDC_EXPLORE_VAULT);
    EXPECT_TRUE(robot::WaitForClose(howToUse));
    EXPECT_TRUE(run.CloseExplorerOn("(D:)")) << "Explore Vault";
    EXPECT_FALSE(IsWindowVisible(main)) << "the main window stays hidden after the log-in";

    // With the vault open, each way of exploring opens Explorer on it: the
    // companion's request (any case), a double click on the tray icon and
    // the tray's Explore.
    const char request[] = "openANDexplorer";
    COPYDATASTRUCT data = {0, sizeof request, const_cast<char *>(request)};
    DWORD_PTR handled = 0;
    SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &handled);
    EXPECT_TRUE(run.CloseExplorerOn("(D:)")) << "OpenAndExplorer";
    PostMessageA(main, WM_USER + 1, 8081, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(run.CloseExplorerOn("(D:)")) << "double click";
    PostMessageA(main, WM_COMMAND, IDM_EXPLORE, 0);
    EXPECT_TRUE(run.CloseExplorerOn("(D:)")) << "Explore";
    EXPECT_FALSE(IsWindowVisible(main));

    // Backup Vault schedules a copy at Lock & Exit, which asks again.
    PostMessageA(main, WM_COMMAND, IDM_BACKUP_VAULT, 0);
    Answer(run, "Kovara", IDYES);
    EXPECT_EQ("Vault backup scheduled at \"Lock and Exit\".", Answer(run, "Kovara", IDOK).text);

    // The shell took the 488-byte tray record: its tray window shows the
    // icon, and a right click on it reaches the program as the record's
    // callback, which opens the menu.
    {
        HWND icon = NULL;
        ASSERT_TRUE(robot::WaitUntil([&] { return (icon = ShellTrayIcon()) != NULL; }, 10000))
            << "no icon in the shell's tray";
        RECT area;
        GetClientRect(icon, &area);
        LPARAM middle = MAKELPARAM((area.right - area.left) / 2, (area.bottom - area.top) / 2);
        PostMessageA(icon, WM_RBUTTONDOWN, MK_RBUTTON, middle);
        PostMessageA(icon, WM_RBUTTONUP, 0, middle);
        HWND menu = robot::WaitForWindow("#32768", NULL, 10000, run.pid());
        ASSERT_TRUE(menu != NULL) << "a click on the shell's tray icon opened no menu";
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        robot::WaitForClose(menu);
    }

    // A vault open: left and right clicks hide the window and open menu 158.
    for (LPARAM click : {WM_LBUTTONUP, WM_RBUTTONUP}) {
        ShowWindow(main, SW_SHOW);
        HWND menu = TrayMenu(run, main, click);
        ASSERT_TRUE(menu != NULL);
        EXPECT_FALSE(IsWindowVisible(main));
        robot::Screenshot(click == WM_LBUTTONUP ? "manager-tray-menu-left" : "manager-tray-menu-right");
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        robot::WaitForClose(menu);
    }

    // The menu's last item, "Lock && Exit", chosen by key, reaches its command.
    HWND menu = TrayMenu(run, main, WM_RBUTTONUP);
    ASSERT_TRUE(menu != NULL);
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);

    // Lock and exit, first with a file open in the vault: the lock is refused
    // and the dialog stays.
    HWND lock = run.WaitForDialog("Kovara - Lock Vault and Exit?");
    ASSERT_TRUE(lock != NULL);
    Photograph(lock, "manager-lock-and-exit");
    ASSERT_TRUE(FileExists(shortcut)) << "the shortcut stays while the vault is open";
    SetFileAttributesA(shortcut.c_str(), FILE_ATTRIBUTE_READONLY);
    const char kScheduled[] =
        "You have scheduled a vault backup.\nAfter it is locked, would you like to make a vault backup?";
    ASSERT_TRUE(drivertest::SetOpenFiles(1));
    robot::PressButton(lock, IDOK);
    EXPECT_EQ(kScheduled, Answer(run, "Kovara", IDNO).text);
    robot::Box refused = Answer(run, "Kovara - Security Alert", IDOK);
    EXPECT_EQ(kLockFailureD, refused.text);
    EXPECT_TRUE(IsWindow(lock));
    EXPECT_EQ("Lock Status: ", robot::ControlText(lock, IDC_LOCK_STATUS));
    EXPECT_EQ("D:", OpenVaultValue());

    // The driver releases the vault, then its dismount fails: the lock
    // fails; the next one finds no vault held and finishes the clean-up.
    ASSERT_TRUE(drivertest::SetOpenFiles(0));
    ASSERT_TRUE(drivertest::RefuseDismounts(1));
    robot::PressButton(lock, IDOK);
    EXPECT_EQ(kScheduled, Answer(run, "Kovara", IDNO).text);
    EXPECT_EQ(kLockFailureD, Answer(run, "Kovara - Security Alert", IDOK).text);
    EXPECT_EQ("D:", OpenVaultValue());
    KovdevInspect released;
    ASSERT_TRUE(drivertest::Inspect(&released));
    EXPECT_EQ(0u, released.vaultOpen);

    robot::PressButton(lock, IDOK);
    EXPECT_EQ(kScheduled, Answer(run, "Kovara", IDNO).text);
    HWND locked = run.WaitForDialog("Kovara - Your Vault Is Locked", 30000);
    ASSERT_TRUE(locked != NULL);
    Photograph(locked, "manager-vault-locked");
    robot::PressButton(locked, IDOK);
    EXPECT_EQ(0u, run.WaitForExit());
    EXPECT_EQ("<no value>", OpenVaultValue());
    EXPECT_FALSE(FileExists(shortcut)) << "the read-only shortcut is deleted by the lock";
    EXPECT_FALSE(drivertest::LetterInUse('D'));
    KovdevInspect state;
    ASSERT_TRUE(drivertest::Inspect(&state));
    EXPECT_EQ(0u, state.vaultOpen);
}

TEST_F(VaultManagerTest, StaleVaultAtLogInAndTheEndOfTheSession) {
    {
        // A vault recorded open by a copy that ended abnormally, and a
        // registry that refuses to delete the record: start-up reports the
        // improper shutdown, and the log-in page then asks about the vault
        // still recorded open. Yes tries to lock F:, which holds no vault,
        // and says nothing about it.
        ManagerRun run;
        RegisteredUser ann(run);
        ASSERT_EQ(1, SetOpenVault("F:"));
        SetEnvironmentVariableA("KOVSHIM_REFUSE_OPEN_VAULT", "delete");
        bool started = run.Start();
        SetEnvironmentVariableA("KOVSHIM_REFUSE_OPEN_VAULT", NULL);
        ASSERT_TRUE(started);
        ASSERT_TRUE(run.AuthoriseToken());
        EXPECT_EQ(0u, Answer(run, "Kovara", IDOK).text.find("Kovara has detected improper shutdown."));
        robot::Box stale = Answer(run, "Kovara", IDYES);
        EXPECT_EQ(
            "It seems that Kovara was shut down abnormally.\nThis can happen if you force close the program using "
            "Windows Task Manager etc.\n\nKovara has determined that you still have vault open.\nIf you still "
            "have vault open then click \"Yes\" to first lock the vault then log-in again.Else click \"No\" to "
            "continue log-in process.",
            stale.text);
        EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), stale.icon);
        HWND main = run.WaitForMainWindow();
        ASSERT_TRUE(main != NULL);
        EXPECT_TRUE(robot::IsControlVisible(main, IDC_LOGIN_OK));
        EXPECT_EQ("F:", OpenVaultValue()) << "no vault on F: was locked, the record stays";
        PostMessageA(main, WM_CLOSE, 0, 0);
        Answer(run, "Exit Application?", IDYES);
        EXPECT_EQ(0u, run.WaitForExit());
        ClearOpenVault();
    }

    // The session ends with a file open in the vault: the lock fails and
    // says so; the next end of the session locks it without asking.
    ManagerRun run;
    RegisteredUser ann(run);
    HWND main = StartToMainWindow(run);
    ASSERT_TRUE(main != NULL);
    HWND howToUse = LogIn(run, main);
    ASSERT_TRUE(howToUse != NULL);
    EXPECT_EQ("D:", OpenVaultValue());
    PostMessageA(howToUse, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(robot::WaitForClose(howToUse));
    std::string shortcut = MyDocumentsShortcut();
    EXPECT_TRUE(FileExists(shortcut));
    ASSERT_TRUE(drivertest::SetOpenFiles(1));
    {
        SentMessage ending(main, WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(kLockFailureD, Answer(run, "Kovara", IDOK).text);
        LRESULT result = 0;
        EXPECT_TRUE(ending.Wait(&result));
    }
    EXPECT_EQ("D:", OpenVaultValue()) << "the vault is still open";
    ASSERT_TRUE(drivertest::SetOpenFiles(0));
    {
        // A box would hold the answer back until it was closed.
        SentMessage ending(main, WM_ENDSESSION, TRUE, 0);
        LRESULT result = 0;
        EXPECT_TRUE(ending.Wait(&result, 20000)) << "the lock at the end of the session asks nothing";
    }
    EXPECT_EQ("<no value>", OpenVaultValue());
    EXPECT_FALSE(FileExists(shortcut));
    EXPECT_FALSE(drivertest::LetterInUse('D'));
    KovdevInspect state;
    ASSERT_TRUE(drivertest::Inspect(&state));
    EXPECT_EQ(0u, state.vaultOpen);
}
