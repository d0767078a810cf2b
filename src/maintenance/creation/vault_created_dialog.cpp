// "Kovara - Vault Created": the format of a new vault's drive.
#include <windows.h>
#include <commctrl.h>

#include "maintenance/creation/format_drive.h"
#include "maintenance/messages/maintenance_messages.h"
#include "resources/resource.h"
#include "shell/ui/wait_cursor.h"
#include "shell/ui/white_dialog.h"

namespace {

struct FormatState {
    char letter;
    int formatted;
};

void Status(HWND dialog, const char *text) { SetDlgItemTextA(dialog, IDC_FORMAT_STATUS, text); }

void Start(HWND dialog, FormatState *state) {
    HWND bar = GetDlgItem(dialog, IDC_FORMAT_PROGRESS);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    Status(dialog, "Status: Creating secure storage space (\"Vault\"), please wait..");
    {
        WaitCursor wait;
        for (int i = 0; i < 4; ++i) SendMessageA(bar, PBM_STEPIT, 0, 0);

        // "Z:" with the vault's letter, widened with the ANSI code page.
        char drive[3] = "Z:";
        drive[0] = state->letter;
        WCHAR root[4] = L"";
        MultiByteToWideChar(CP_ACP, 0, drive, 2, root, 2);
        root[2] = L'\\';
        root[3] = 0;
        MaintenanceOutcome outcome = FormatDrive(root, bar);
        ShowMaintenanceOutcome(dialog, MaintenanceOutcomeOf(outcome));
        state->formatted = outcome == kMaintenanceOk;

        SendMessageA(bar, PBM_SETPOS, 0, 0);
        if (state->formatted) Status(dialog, "Vault created, wait for vault to open..");
    }
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK VaultCreatedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    FormatState *state = (FormatState *)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            SendDlgItemMessageA(dialog, IDC_FORMAT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
            SendDlgItemMessageA(dialog, IDC_FORMAT_PROGRESS, PBM_SETSTEP, 20, 0);
            Status(dialog, "Status: Click \"OK\" to begin.");
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                Start(dialog, state);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                Status(dialog, "Cancelling new user creation..");
                state->formatted = 0;
                EndDialog(dialog, 2);
                return TRUE;
            }
            return FALSE;
    }
    return WhiteDialogColours(message, wParam);
}

}  // namespace

int RunVaultCreatedDialog(HWND owner, char letter, int *formatted) {
    FormatState state = {letter, 0};
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_VAULT_CREATED), owner,
                                     VaultCreatedProc, (LPARAM)&state);
    *formatted = result == 1 ? state.formatted : 0;
    return result == 1 ? 1 : 2;
}
