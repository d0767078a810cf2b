#include "mount/open/drive_letter.h"

#include "resources/resource.h"
#include "shell/ui/error_box.h"
#include "shell/ui/message_box.h"
#include "shell/ui/white_dialog.h"

namespace {

struct PickState {
    int chosen;
    char letter;
};

INT_PTR CALLBACK DriveLetterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    PickState *state = reinterpret_cast<PickState *>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            state = reinterpret_cast<PickState *>(lParam);
            state->chosen = 0;
            for (int i = 0; i < 26; ++i) {
                CheckDlgButton(dialog, IDC_DRIVE_A + i, BST_UNCHECKED);
                EnableWindow(GetDlgItem(dialog, IDC_DRIVE_A + i), FALSE);
            }
            DWORD used = GetLogicalDrives();
            if (used == 0) {
                SystemErrorBox(dialog, "Error while enumerating existing drives onthe system.");
                EndDialog(dialog, 2);
                return TRUE;
            }
            for (int i = 3; i < 26; ++i)
                if (!(used & (1u << i))) EnableWindow(GetDlgItem(dialog, IDC_DRIVE_A + i), TRUE);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                for (int i = 3; i < 26; ++i) {
                    if (IsDlgButtonChecked(dialog, IDC_DRIVE_A + i) == BST_CHECKED) {
                        state->letter = static_cast<char>('A' + i);
                        state->chosen = 1;
                        EndDialog(dialog, 1);
                        return TRUE;
                    }
                }
                ShowMessageBox(dialog,
                               "You must first select a drive letter before you click \"OK\".\n"
                               "To cancel drive letter selection, click \"Cancel\".");
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                state->chosen = 0;
                EndDialog(dialog, 2);
                return TRUE;
            }
            return FALSE;
        default:
            return WhiteDialogColours(message, wParam);
    }
}

}  // namespace

char FirstFreeVaultLetter(DWORD usedDrives) {
    for (int i = 3; i < 26; ++i)
        if (!(usedDrives & (1u << i))) return static_cast<char>('A' + i);
    return 0;
}

int PickDriveLetter(HWND owner, char *letter) {
    PickState state = {0, 'A'};
    DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_DRIVE_LETTER), owner, DriveLetterProc,
                    reinterpret_cast<LPARAM>(&state));
    if (!state.chosen) return 0;
    *letter = state.letter;
    return 1;
}
