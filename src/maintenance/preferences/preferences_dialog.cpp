#include "maintenance/preferences/preferences_dialog.h"

#include <string>

#include "shell/ui/message_box.h"
#include "maintenance/registry/registry_settings.h"
#include "resources/resource.h"
#include "shell/state/process_state.h"
#include "shell/ui/white_dialog.h"

namespace {

int Ticked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// The Yes/No pairs of boxes: ticking one box of a pair clears the other.
const int kYesNoPairs[][2] = {{IDC_PREF_PASSWORD_YES, IDC_PREF_PASSWORD_NO},
                              {IDC_PREF_BACKUP_YES, IDC_PREF_BACKUP_NO}};

// 1 when clicked is a box of a pair (then the other box is cleared if clicked is ticked).
int KeepOneOfPair(HWND dialog, int clicked) {
    for (const auto &pair : kYesNoPairs) {
        for (int side = 0; side < 2; ++side) {
            if (pair[side] != clicked) continue;
            if (Ticked(dialog, clicked)) CheckDlgButton(dialog, pair[1 - side], BST_UNCHECKED);
            return 1;
        }
    }
    return 0;
}

// Starts lanyard.exe from the program folder hidden; its outcome is not awaited.
void StartLanyardHidden() {
    std::string path = std::string(g_process.programFolder) + "\\" + "lanyard.exe";
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, g_process.programFolder,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void OnOk(HWND dialog) {
    int passwordOn = Ticked(dialog, IDC_PREF_PASSWORD_YES) && !Ticked(dialog, IDC_PREF_PASSWORD_NO);
    int backupOn = Ticked(dialog, IDC_PREF_BACKUP_YES) && !Ticked(dialog, IDC_PREF_BACKUP_NO);
    if (!SetReminder(kPasswordReminder, passwordOn) || !SetReminder(kBackupReminder, backupOn)) {
        ShowMessageBox(dialog,
                       "There was error saving preferences in registry.\nIf you do not have "
                       "permission to write in registry, reset your registry permissions, then try "
                       "again.");
        return;
    }
    if (Ticked(dialog, IDC_PREF_START_MENU_YES)) StartLanyardHidden();
    ShowMessageBox(dialog, "Your preferences have been saved.", kKovaraCaption, MB_OK | MB_ICONINFORMATION);
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK PreferencesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;  // every box starts cleared, whatever is stored
        case WM_COMMAND:
            if (KeepOneOfPair(dialog, LOWORD(wParam))) return TRUE;
            switch (LOWORD(wParam)) {
                case IDC_PREF_OK:
                case IDOK:
                    OnOk(dialog);
                    return TRUE;
                case IDC_PREF_CANCEL:
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

void RunPreferencesDialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PREFERENCES), owner, PreferencesProc, 0);
}
