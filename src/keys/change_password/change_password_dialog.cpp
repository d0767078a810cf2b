// "Kovara - Change Password": the fields, their checks in order, the
// recommendation to back up the token key first, then ChangePassword.
#include <string.h>

#include "keys/change_password/change_password.h"
#include "keys/files/keys_messages.h"
#include "shell/ui/message_box.h"
#include "crypto/core/secure_wipe.h"
#include "resources/resource.h"
#include "shell/ui/wait_cursor.h"
#include "shell/ui/white_dialog.h"
#include "token/operations/token_key_backup.h"

namespace {

const char kRecommendation[] =
    "RECOMMENDATION:\n\n"
    "Make a backup of your key before changing password."
    "\nIn case of any system error you can restore your backup."
    "\n\nClick \"Yes\" to create a backup."
    "\nClick \"No\" to change password now.";

struct Fields {
    char user[100], tokenPassword[100], oldPassword[100], newPassword[100], reconfirm[100];
};

void Refuse(HWND dialog, const char *text, int focus) {
    ShowMessageBox(dialog, text);
    if (focus) SetFocus(GetDlgItem(dialog, focus));
}

// The checks of "&OK" in order; 1 when the change may go ahead.
int FieldsAccepted(HWND dialog, const Fields &f) {
    if (!f.user[0]) {
        Refuse(dialog, "Username must be entered.", IDC_CHANGE_USER);
        return 0;
    }
    if (!f.tokenPassword[0]) {
        Refuse(dialog, "Token password must be entered.", IDC_CHANGE_TOKEN_PASSWORD);
        return 0;
    }
    if (!f.oldPassword[0]) {
        Refuse(dialog, "You must enter your existing password.", IDC_CHANGE_OLD_PASSWORD);
        return 0;
    }
    size_t newLength = strlen(f.newPassword), reconfirmLength = strlen(f.reconfirm);
    if (newLength < 8) {
        Refuse(dialog, "Minimum required length of a new password is eight.", IDC_CHANGE_NEW_PASSWORD);
        return 0;
    }
    static const char kNotReconfirmed[] = "New password has not been reconfirmed correctly.";
    if (reconfirmLength < 8 || reconfirmLength != newLength) {
        Refuse(dialog, kNotReconfirmed, IDC_CHANGE_RECONFIRM);
        return 0;
    }
    if (memcmp(f.newPassword, f.reconfirm, newLength) != 0) {
        Refuse(dialog, kNotReconfirmed, 0);
        return 0;
    }
    return 1;
}

int Recommend(HWND dialog, const char *tokenPassword) {
    int answer = ShowMessageBox(dialog, kRecommendation, "Kovara - Recommendation", MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) return 1;
    return BackupTokenKey(dialog, "KovdevTokenKey", ".user", tokenPassword);
}

void OnOk(HWND dialog) {
    Fields f;
    GetDlgItemTextA(dialog, IDC_CHANGE_USER, f.user, sizeof f.user);
    GetDlgItemTextA(dialog, IDC_CHANGE_TOKEN_PASSWORD, f.tokenPassword, sizeof f.tokenPassword);
    GetDlgItemTextA(dialog, IDC_CHANGE_OLD_PASSWORD, f.oldPassword, sizeof f.oldPassword);
    GetDlgItemTextA(dialog, IDC_CHANGE_NEW_PASSWORD, f.newPassword, sizeof f.newPassword);
    GetDlgItemTextA(dialog, IDC_CHANGE_RECONFIRM, f.reconfirm, sizeof f.reconfirm);
    int changed = 0;
    if (FieldsAccepted(dialog, f) && Recommend(dialog, f.tokenPassword)) {
        WaitCursor wait;
        KeysResult result = ChangePassword(dialog, f.oldPassword, f.newPassword, f.user, f.tokenPassword);
        ShowKeysOutcome(dialog, result);
        changed = result.outcome == kKeysOk;
    }
    SecureWipe(&f, sizeof f);
    if (!changed) return;
    ShowMessageBox(dialog, "Password changed successfully.", kKovaraCaption, MB_OK | MB_ICONINFORMATION);
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK ChangePasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            static const int kFields[] = {IDC_CHANGE_USER, IDC_CHANGE_TOKEN_PASSWORD, IDC_CHANGE_OLD_PASSWORD,
                                          IDC_CHANGE_NEW_PASSWORD, IDC_CHANGE_RECONFIRM};
            for (int id : kFields) SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, 99, 0);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_CHANGE_OK:
                case IDOK:
                    OnOk(dialog);
                    return TRUE;
                case IDC_CHANGE_CANCEL:
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return WhiteDialogColours(message, wParam);
    }
}

}  // namespace

void RunChangePasswordDialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CHANGE_PASSWORD), owner, ChangePasswordProc, 0);
}
