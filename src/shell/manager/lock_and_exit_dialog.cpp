// "Kovara - Lock Vault and Exit?": locks the open vault, offers the vault
// backup, and ends the program.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "shell/manager/lock_progress.h"
#include "shell/manager/lock_vault.h"
#include "shell/manager/main_window_parts.h"
#include "shell/state/open_vault.h"
#include "shell/manager/creation_commands.h"
#include "shell/ui/message_box.h"
#include "shell/ui/wait_cursor.h"
#include "shell/ui/white_dialog.h"

namespace {

struct LockAndExit {
    HWND mainWindow;
    MainWindowState *state;
};

// The backup question asked before the lock; 1 when it was answered Yes.
int WantsVaultBackup(HWND dialog, const MainWindowState &state) {
    const char *question = NULL;
    if (state.backupScheduled)
        question = "You have scheduled a vault backup.\nAfter it is locked, would you like to make a vault backup?";
    else if (state.weeklyVaultBackupDue)
        question = "This is weekly vault backup reminder.\nAfter it is locked, would you like to make a vault backup?";
    if (!question) return 0;
    return ShowMessageBox(dialog, question, kKovaraCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void OnOk(HWND dialog, LockAndExit &run) {
    int backup = WantsVaultBackup(dialog, *run.state);
    char drive = g_openVault.driveLetter;
    int locked;
    {
        WaitCursor wait;
        ShowLocking(dialog, IDC_LOCK_PROGRESS, "Locking the vault, please wait..");
        locked = LockVault(run.mainWindow, drive);
    }
    if (!locked) {
        SetDlgItemTextA(dialog, IDC_LOCK_STATUS, "Lock Status: ");
        SendDlgItemMessageA(dialog, IDC_LOCK_PROGRESS, PBM_SETPOS, 0, 0);
        ShowMessageBox(run.mainWindow, LockFailureText(drive).c_str(), "Kovara - Security Alert", MB_OK | MB_USERICON,
                       IDI_USER_ALERT);
        return;
    }
    SetDlgItemTextA(dialog, IDC_LOCK_STATUS, "Vault locked.");
    SendDlgItemMessageA(dialog, IDC_LOCK_PROGRESS, PBM_SETPOS, 0, 0);
    if (backup) MakeVaultBackupAfterLock(dialog, *run.state);
    RunVaultLockedNotice(dialog);
    EndDialog(dialog, IDOK);
    DestroyWindow(run.mainWindow);
}

INT_PTR CALLBACK LockAndExitProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            SetUpLockProgress(dialog, IDC_LOCK_PROGRESS);
            return TRUE;
        case WM_COMMAND: {
            LockAndExit *run = reinterpret_cast<LockAndExit *>(GetWindowLongPtrA(dialog, DWLP_USER));
            if (LOWORD(wParam) == IDOK) {
                OnOk(dialog, *run);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return WhiteDialogColours(message, wParam);
    }
}

}  // namespace

void RunLockAndExit(HWND mainWindow, MainWindowState &state) {
    LockAndExit run = {mainWindow, &state};
    DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_LOCK_AND_EXIT), mainWindow, LockAndExitProc,
                    reinterpret_cast<LPARAM>(&run));
}
