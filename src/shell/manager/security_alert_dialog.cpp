#include "shell/manager/security_alert_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "shell/manager/lock_progress.h"
#include "shell/manager/lock_vault.h"
#include "shell/ui/wait_cursor.h"
#include "shell/ui/white_dialog.h"

namespace {

struct Alert {
    char drive;
};

void TryToLock(HWND dialog, const Alert &alert, int closeOnFailure) {
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    int locked;
    {
        WaitCursor wait;
        ShowLocking(dialog, IDC_ALERT_PROGRESS, "Locking The Vault, Please wait..");
        locked = LockVault(dialog, alert.drive);
    }
    if (locked) {
        SetDlgItemTextA(dialog, IDC_LOCK_STATUS, "Status : Vault locked.");
        SendDlgItemMessageA(dialog, IDC_ALERT_PROGRESS, PBM_SETPOS, 0, 0);
        EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
        EndDialog(dialog, 1);
        return;
    }
    SetDlgItemTextA(dialog, IDC_LOCK_STATUS, "Status : Lock Failed, Try Again. ");
    SendDlgItemMessageA(dialog, IDC_ALERT_PROGRESS, PBM_SETPOS, 0, 0);
    ShowLockFailure(dialog, alert.drive);
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    if (closeOnFailure) EndDialog(dialog, 0);
}

INT_PTR CALLBACK SecurityAlertProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            HBITMAP picture = LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDB_SECURITY_ALERT));
            SendDlgItemMessageA(dialog, IDC_ALERT_PICTURE, BM_SETIMAGE, IMAGE_BITMAP,
                                reinterpret_cast<LPARAM>(picture));
            SetUpLockProgress(dialog, IDC_ALERT_PROGRESS);
            SetDlgItemTextA(dialog, IDC_LOCK_STATUS, "");
            return TRUE;
        }
        case WM_COMMAND: {
            const Alert *alert = reinterpret_cast<const Alert *>(GetWindowLongPtrA(dialog, DWLP_USER));
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                TryToLock(dialog, *alert, LOWORD(wParam) == IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return WhiteDialogColours(message, wParam);
    }
}

}  // namespace

int RunSecurityAlert(char driveLetter) {
    Alert alert = {driveLetter};
    return DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_SECURITY_ALERT), NULL, SecurityAlertProc,
                           reinterpret_cast<LPARAM>(&alert)) == 1;
}
