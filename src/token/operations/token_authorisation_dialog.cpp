#include <string.h>

#include "crypto/core/secure_wipe.h"
#include "resources/resource.h"
#include "shell/ui/wait_cursor.h"
#include "shell/ui/white_dialog.h"
#include "token/operations/registered_tokens.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_message_box.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"

// The checks both "&OK" and "&Restore From Backup" make before selecting the
// token: 1 with the chosen list entry in name.
static int ChosenToken(HWND dialog, char name[kTokenNameLimit]) {
    HWND list = GetDlgItem(dialog, IDC_SELECT_TOKEN);
    LRESULT entry = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (entry == CB_ERR) {
        TokenWarning(dialog, "You must first select a token.");
        return 0;
    }
    LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, entry, 0);
    if (length == CB_ERR || length >= kTokenNameLimit) {
        TokenWarning(dialog, "You must first select a token.");
        return 0;
    }
    SendMessageA(list, CB_GETLBTEXT, entry, (LPARAM)name);
    if (lstrcmpiA(name, kNoTokenEntry) == 0) {
        TokenWarning(dialog, "Click \"Setup\" to setup your token.");
        return 0;
    }
    return 1;
}

static void OnOk(HWND dialog) {
    WaitCursor wait;
    char name[kTokenNameLimit];
    if (!ChosenToken(dialog, name) || !SelectToken(dialog, name)) return;
    char password[100];
    GetDlgItemTextA(dialog, IDC_TOKEN_PASSWORD, password, sizeof password);
    if (!password[0]) {
        TokenWarning(dialog, "Enter your token password.");
        return;
    }
    int opened = OpenTokenSession(dialog, password);
    SecureWipe(password, sizeof password);
    if (!opened) return;
    memset(g_token.keyBuffer, 0, sizeof g_token.keyBuffer);
    g_token.holdsKey = ReadTokenKey(dialog, kTokenKeySize, 1);
    SecureWipe(g_token.keyBuffer, sizeof g_token.keyBuffer);
    CloseTokenSession();
    g_token.authorisationNotCompleted = 0;
    EndDialog(dialog, IDOK);
}

static void OnRestore(HWND dialog) {
    char name[kTokenNameLimit];
    {
        WaitCursor wait;
        if (!ChosenToken(dialog, name) || !SelectToken(dialog, name)) return;
    }
    RunRestoreKeyOnTokenDialog(dialog);
}

static void OnSetupNewToken(HWND dialog) {
    g_token.setupNotCompleted = 1;
    RunSetupTokenDialog(nullptr);
    // The new token is offered at the next start: authorisation stays pending.
    if (!g_token.setupNotCompleted) EndDialog(dialog, IDCANCEL);
}

static INT_PTR CALLBACK TokenAuthorisationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            FillTokenList(dialog);
            SendDlgItemMessageA(dialog, IDC_TOKEN_PASSWORD, EM_LIMITTEXT, 99, 0);
            SetFocus(GetDlgItem(dialog, IDC_TOKEN_PASSWORD));
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_TOKEN_OK:
                case IDOK:
                    OnOk(dialog);
                    return TRUE;
                case IDC_TOKEN_RESTORE_BACKUP:
                    OnRestore(dialog);
                    return TRUE;
                case IDC_TOKEN_SETUP_NEW:
                    OnSetupNewToken(dialog);
                    return TRUE;
                case IDC_TOKEN_CANCEL:
                case IDCANCEL:
                    g_token.authorisationNotCompleted = 1;
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            g_token.authorisationNotCompleted = 1;
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return WhiteDialogColours(message, wParam);
    }
}

void RunTokenAuthorisationDialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TOKEN_AUTHORISATION), owner, TokenAuthorisationProc,
                    0);
}
