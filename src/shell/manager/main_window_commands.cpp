// The command table of the main window: page buttons, tray menu items and
// the exit command.
#include <string.h>

#include <string>

#include "keys/log_in/log_in.h"
#include "mount/open/drive_letter.h"
#include "resources/resource.h"
#include "shell/manager/main_window.h"
#include "shell/manager/main_window_parts.h"
#include "shell/manager/maintenance_commands.h"
#include "shell/state/open_vault.h"
#include "shell/manager/creation_commands.h"
#include "shell/ui/explore_drive.h"
#include "shell/ui/message_box.h"
#include "shell/manager/vendor.h"

namespace {

void Notice(HWND window, const char *text, const char *caption = kKovaraCaption) {
    ShowMessageBox(window, text, caption, MB_OK | MB_ICONINFORMATION);
}

void ExploreOpenVault(HWND window) {
    if (g_openVault.vaultOpen)
        ExploreDrive(g_openVault.driveLetter - 'A');
    else
        Notice(window, "You do not have your vault open!");
}

// Check box 1410: the drive-letter dialog, and the pick shown beside it.
void PickDrive(HWND window, MainWindowState &state) {
    state.logIn.chosenDrive.chosen = 0;
    state.logIn.chosenDrive.letter = 'A';
    if (IsDlgButtonChecked(window, IDC_PICK_DRIVE) != BST_CHECKED) return;
    char letter = 'A';
    if (PickDriveLetter(window, &letter)) {
        state.logIn.chosenDrive.chosen = 1;
        state.logIn.chosenDrive.letter = letter;
    }
    CheckDlgButton(window, IDC_PICK_DRIVE, BST_UNCHECKED);
    if (!state.logIn.chosenDrive.chosen) {
        SetDlgItemTextA(window, IDC_PICKED_DRIVE_TEXT, "");
    } else if (letter != 'A') {
        char text[] = "[  : is selected ]";
        text[2] = letter;
        SetDlgItemTextA(window, IDC_PICKED_DRIVE_TEXT, text);
    }
}

void LoggedIn(HWND window, MainWindowState &state, int fromBackup, const LoggedInUser &user) {
    state.logIn.loggedIn = 1;
    state.logIn.loggedInFromBackup = fromBackup;
    state.logIn.user = user;
    EnterLoggedInState(window, state);
}

void LogInCommand(HWND window, MainWindowState &state, int fromBackup) {
    LoggedInUser user = {};
    state.userPassRunning = 1;
    LogInResult result = fromBackup ? LogInFromBackup(window, &state.logIn.chosenDrive, &user)
                                    : LogIn(window, &state.logIn.chosenDrive, &user);
    ShowLogInOutcome(window, result);
    state.userPassRunning = 0;
    // The typed password has been taken; it does not stay in the page.
    SetDlgItemTextA(window, IDC_LOGIN_PASSWORD, "");
    if (LoggedInBy(result)) LoggedIn(window, state, fromBackup, user);
}

// The tray menu's items and the exit question's command: refused while a
// log-in or creation pass runs its dialogs.
bool IsTrayCommand(int id) {
    switch (id) {
        case IDM_HELP_CONTENTS:
        case IDM_QUICK_TUTORIAL:
        case IDM_ABOUT:
        case IDM_PREFERENCES:
        case IDM_BACKUP_USER_INFO:
        case IDM_BACKUP_VAULT:
        case IDM_UPDATE_SOFTWARE:
        case IDM_SUBMIT_SUGGESTIONS:
        case IDM_EXPLORE:
        case IDM_LOCK_AND_EXIT:
        case IDM_EXIT:
            return true;
    }
    return false;
}

void RecoveryOptionHelp(HWND window) {
    Notice(window,
           "Kovara users can recover their forgotten "
           "password using the Password Recovery Option. "
           "\nWhile creating the password, the user answers "
           "several personal questions."
           "\nWhile recovering the password, the user needs "
           "to answer the same questions correctly."
           "\n\nNOTE:"
           "\nIf you select Password Recovery Option, then Kovara "
           "stores the user password on the hard-disk "
           "in an encrypted form. ",
           "Kovara - Password Recovery Option");
}

void DrivePickHelp(HWND window) {
    Notice(window,
           "This option resolves a problem that some computer systems have."
           "\n\nPROBLEM:"
           "\nSome computer systems do not display some specific drive "
           "letter in \"My Computer\"."
           "\nREASON:"
           "\nThis happens due to that particular drive letter being "
           "cached by some CD ROM or other hardware device. "
           "\nIf you are facing similar problem, then it is recommended "
           "that you get your hardware checked and resolved. "
           "\n\nIMMEDIATE SOLUTION: This option will open up a dialog box "
           "for you to select a drive letter, from a list, "
           "on which to open the vault."
           "Do not select a drive which is causing the problem.");
}

void UpdateSoftware(HWND window) {
    std::string text = std::string("Keep your Kovara up-to-date.") + "\nYou currently have " + KOVARA_EDITION +
                       " installed on this machine." + "\nYou will be connected to Kovara Web Site " +
                       "to check availability of more newer version." + "\n\nContinue?";
    if (ShowMessageBox(window, text.c_str(), kKovaraCaption, MB_YESNO | MB_ICONQUESTION) == IDYES)
        OpenVendorPage("download.htm");
}

void SubmitSuggestions(HWND window) {
    std::string text = std::string(KOVARA_VENDOR_NAME) + " welcomes user feedback." +
                       "\nSuggestions implemented qualify to receive " +
                       "either one free license or one extra year of " + "free upgrade." +
                       "\nTo submit your feedback click \"Yes\" to " + "connect to Kovara Web Site.";
    if (ShowMessageBox(window, text.c_str(), kKovaraCaption, MB_YESNO | MB_ICONINFORMATION) == IDYES)
        OpenVendorPage("feedback.htm");
}

void LockAndExit(HWND window, MainWindowState &state) {
    if (!g_openVault.vaultOpen) {
        DestroyWindow(window);
        return;
    }
    state.lockAndExitRunning = 1;
    RunLockAndExit(window, state);
    state.lockAndExitRunning = 0;
}

}  // namespace

BOOL RunMainWindowCommand(HWND window, MainWindowState &state, int id, int notification) {
    // Buttons and menu items arrive as clicks; other notifications (edits)
    // are not commands.
    if (notification != BN_CLICKED) return FALSE;
    if (state.userPassRunning && IsTrayCommand(id)) return TRUE;
    // Enter runs the template's default button, the log-in page's OK; on the
    // new-user page it is that page's own Next.
    if (id == IDC_LOGIN_OK && !IsWindowVisible(GetDlgItem(window, IDC_LOGIN_OK)) &&
        IsWindowVisible(GetDlgItem(window, IDC_CREATE_NEXT)))
        id = IDC_CREATE_NEXT;
    switch (id) {
        case IDCANCEL:
            PostMessageA(window, WM_CLOSE, 0, 0);
            return TRUE;
        case IDC_CREATE_NEXT:
            CommandCreateUser(window, state);
            return TRUE;
        case IDC_CREATE_CANCEL:
            if (state.noUserYet)
                PostMessageA(window, WM_CLOSE, 0, 0);
            else
                ShowLogInPage(window);
            return TRUE;
        case IDC_RECOVERY_YES:
            state.recoveryOption = 1;
            SetDlgItemTextA(window, IDC_CREATE_NEXT, "Next >");
            return TRUE;
        case IDC_RECOVERY_NO:
            state.recoveryOption = 2;
            SetDlgItemTextA(window, IDC_CREATE_NEXT, "OK");
            return TRUE;
        case IDC_RECOVERY_HELP:
            RecoveryOptionHelp(window);
            return TRUE;
        case IDC_LOGIN_OK:
            LogInCommand(window, state, 0);
            return TRUE;
        case IDC_USE_BACKUP:
            LogInCommand(window, state, 1);
            return TRUE;
        case IDC_FORGOT_PASSWORD:
            if (IsDlgButtonChecked(window, IDC_FORGOT_PASSWORD) == BST_CHECKED) {
                CheckDlgButton(window, IDC_FORGOT_PASSWORD, BST_UNCHECKED);
                CommandForgotPassword(window, state);
            }
            return TRUE;
        case IDC_PICK_DRIVE:
            PickDrive(window, state);
            return TRUE;
        case IDC_PICK_DRIVE_HELP:
            DrivePickHelp(window);
            return TRUE;
        case IDC_CREATE_NEW_USER:
            if (RunCreateUserNotice(window)) {
                state.noUserYet = 0;
                ShowNewUserPage(window);
            }
            return TRUE;
        case IDC_LOGIN_HELP:
        case IDM_HELP_CONTENTS:
            OpenProgramFile("Kovara.chm");
            return TRUE;
        case IDC_CHANGE_PASSWORD:
            CommandChangePassword(window, state);
            return TRUE;
        case IDM_QUICK_TUTORIAL:
            OpenProgramFile("QuickHelpKO.chm");
            return TRUE;
        case IDM_ABOUT:
            RunAboutBox(window);
            return TRUE;
        case IDM_PREFERENCES:
            CommandPreferences(window, state);
            return TRUE;
        case IDM_BACKUP_USER_INFO:
            CommandBackupUserInfo(window, state);
            return TRUE;
        case IDM_BACKUP_VAULT:
            CommandBackupVault(window, state);
            return TRUE;
        case IDM_UPDATE_SOFTWARE:
            UpdateSoftware(window);
            return TRUE;
        case IDM_SUBMIT_SUGGESTIONS:
            SubmitSuggestions(window);
            return TRUE;
        case IDM_EXPLORE:
            ExploreOpenVault(window);
            return TRUE;
        case IDM_LOCK_AND_EXIT:
        case IDM_EXIT:
            LockAndExit(window, state);
            return TRUE;
    }
    return FALSE;
}
