#include <stdlib.h>

#include "crypto/core/secure_wipe.h"
#include "resources/resource.h"
#include "shell/ui/wait_cursor.h"
#include "shell/ui/white_dialog.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_message_box.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"

enum { kPasswordBlockSize = 103 };

static void OnOk(HWND dialog, char **result) {
    char password[100];
    GetDlgItemTextA(dialog, IDC_TOKEN_PASSWORD, password, sizeof password);
    if (!password[0]) {
        TokenWarning(dialog, "Please enter your token password.");
        SetFocus(GetDlgItem(dialog, IDC_TOKEN_PASSWORD));
        return;
    }
    {
        WaitCursor wait;
        if (!OpenTokenSession(dialog, password)) {
            SecureWipe(password, sizeof password);
            return;
        }
        CloseTokenSession();
    }
    char *block = (char *)calloc(1, kPasswordBlockSize);
    if (!block) {
        SecureWipe(password, sizeof password);
        TokenWarning(dialog, "Not enough system memory.");
        return;
    }
    lstrcpynA(block, password, kPasswordBlockSize);
    SecureWipe(password, sizeof password);
    *result = block;
    g_token.useNotAuthorised = 0;
    EndDialog(dialog, IDOK);
}

static INT_PTR CALLBACK AuthoriseTokenUseProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            g_token.useNotAuthorised = 1;
            SendDlgItemMessageA(dialog, IDC_TOKEN_PASSWORD, EM_SETPASSWORDCHAR, '*', 0);
            SendDlgItemMessageA(dialog, IDC_TOKEN_PASSWORD, EM_LIMITTEXT, 99, 0);
            SetFocus(GetDlgItem(dialog, IDC_TOKEN_PASSWORD));
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_TOKEN_OK:
                case IDOK:
                    OnOk(dialog, (char **)GetWindowLongPtrA(dialog, DWLP_USER));
                    return TRUE;
                case IDC_TOKEN_CANCEL:
                case IDCANCEL:
                    g_token.useNotAuthorised = 1;
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            g_token.useNotAuthorised = 1;
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return WhiteDialogColours(message, wParam);
    }
}

char *RunAuthoriseTokenUseDialog(HWND owner) {
    char *block = nullptr;
    g_token.useNotAuthorised = 1;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_AUTHORISE_TOKEN_USE), owner, AuthoriseTokenUseProc,
                    (LPARAM)&block);
    if (g_token.useNotAuthorised && block) {
        ReleaseTokenPassword(block);
        block = nullptr;
    }
    return block;
}

void ReleaseTokenPassword(char *block) {
    if (!block) return;
    SecureWipe(block, kPasswordBlockSize);
    free(block);
}
