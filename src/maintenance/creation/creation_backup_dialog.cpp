// "Kovara - User Information Backup": a single backup in one folder, or a
// split backup in two.
#include <string.h>

#include <string>

#include "shell/ui/choose_folder.h"
#include "maintenance/creation/creation_backup.h"
#include "shell/ui/message_box.h"
#include "resources/resource.h"
#include "shell/ui/white_dialog.h"

namespace {

struct BackupState {
    const char *userName;
    CreationBackupChoice *choice;
};

const char kUserInfoName[] = "KovdevTokenKey.user";

void ClearFlags(CreationBackupChoice *choice) { choice->wanted = choice->single = choice->split = 0; }

void ShowOption(HWND dialog, bool single, bool split) {
    CheckDlgButton(dialog, IDC_CREATION_BACKUP_SINGLE, single ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CREATION_BACKUP_SPLIT, split ? BST_CHECKED : BST_UNCHECKED);
    const int singleIds[] = {IDC_CREATION_BACKUP_LOCATION, IDC_CREATION_BACKUP_BROWSE};
    const int splitIds[] = {IDC_CREATION_BACKUP_LOCATION_1, IDC_CREATION_BACKUP_BROWSE_1,
                            IDC_CREATION_BACKUP_LOCATION_2, IDC_CREATION_BACKUP_BROWSE_2};
    for (int id : singleIds) EnableWindow(GetDlgItem(dialog, id), single);
    for (int id : splitIds) EnableWindow(GetDlgItem(dialog, id), split);
    if (!single) SetDlgItemTextA(dialog, IDC_CREATION_BACKUP_LOCATION, "");
    if (!split) {
        SetDlgItemTextA(dialog, IDC_CREATION_BACKUP_LOCATION_1, "");
        SetDlgItemTextA(dialog, IDC_CREATION_BACKUP_LOCATION_2, "");
    }
}

void Browse(HWND dialog, const char *title, int field) {
    char folder[MAX_PATH];
    if (ChooseFolder(dialog, title, folder) && strlen(folder) > 1) SetDlgItemTextA(dialog, field, folder);
}

std::string Folder(HWND dialog, int field) {
    char text[kPathSize] = "";
    GetDlgItemTextA(dialog, field, text, sizeof text);
    std::string folder = text;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

// part: "" for a single backup, else "[Part 1]" or "[Part 2]".
bool TargetFree(HWND dialog, const std::string &target, const std::string &part) {
    std::string location = part.empty() ? "Backup Location" : "Backup Location " + part;
    if (target.size() >= kPathSize) {
        std::string text = "The name of selected " + location + " exceeds file name size for Windows." +
                           "\n\nSelect some other " + location + ".";
        ShowMessageBox(dialog, text.c_str());
        return false;
    }
    if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
        std::string text = "In the selected " + location +
                           ", a file exists that has the same name as the target backup file name." +
                           "\nThe name of that file is:\n" + target + "\n\nSelect some other " + location + ".";
        ShowMessageBox(dialog, text.c_str());
        return false;
    }
    return true;
}

void YesSingle(HWND dialog, BackupState *state) {
    std::string folder = Folder(dialog, IDC_CREATION_BACKUP_LOCATION);
    if (folder.empty()) {
        ShowMessageBox(dialog, "You must select Backup Location.\nClick \"Browse\" to select.");
        return;
    }
    std::string userInfo = folder + kUserInfoName;
    std::string vaultInfo = folder + state->userName + ".vault";
    if (userInfo.size() >= kPathSize || vaultInfo.size() >= kPathSize) {
        TargetFree(dialog, userInfo.size() >= kPathSize ? userInfo : vaultInfo, "");
        return;
    }
    if (!TargetFree(dialog, userInfo, "") || !TargetFree(dialog, vaultInfo, "")) return;
    CreationBackupChoice *choice = state->choice;
    strcpy(choice->userInfo, userInfo.c_str());
    strcpy(choice->vaultInfo, vaultInfo.c_str());
    choice->wanted = choice->single = 1;
    choice->split = 0;
    EndDialog(dialog, IDYES);
}

void YesSplit(HWND dialog, BackupState *state) {
    std::string folder1 = Folder(dialog, IDC_CREATION_BACKUP_LOCATION_1);
    if (folder1.empty()) {
        ShowMessageBox(dialog, "You must select Backup Location [Part 1].\nClick \"Browse\" to select.");
        return;
    }
    std::string folder2 = Folder(dialog, IDC_CREATION_BACKUP_LOCATION_2);
    if (folder2.empty()) {
        ShowMessageBox(dialog, "You must select Backup Location [Part 2].\nClick \"Browse\" to select.");
        return;
    }
    std::string user = state->userName;
    std::string targets[4] = {folder1 + "KeyPart1_" + user + ".kovdev", folder1 + "VaultInfo_" + user + ".vault",
                              folder2 + "KeyPart2_" + user + ".kovdev", folder2 + "VaultInfo_" + user + ".vault"};
    const char *parts[4] = {"[Part 1]", "[Part 1]", "[Part 2]", "[Part 2]"};
    for (int i = 0; i < 4; ++i)
        if (targets[i].size() >= kPathSize) {
            TargetFree(dialog, targets[i], parts[i]);
            return;
        }
    for (int i = 0; i < 4; ++i)
        if (!TargetFree(dialog, targets[i], parts[i])) return;
    CreationBackupChoice *choice = state->choice;
    strcpy(choice->userInfo, targets[0].c_str());
    strcpy(choice->vaultInfo, targets[1].c_str());
    strcpy(choice->userInfo2, targets[2].c_str());
    strcpy(choice->vaultInfo2, targets[3].c_str());
    choice->wanted = choice->split = 1;
    choice->single = 0;
    EndDialog(dialog, IDYES);
}

INT_PTR CALLBACK CreationBackupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    BackupState *state = (BackupState *)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            ClearFlags(((BackupState *)lParam)->choice);
            ShowOption(dialog, false, false);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_CREATION_BACKUP_SINGLE:
                    ShowOption(dialog, true, false);
                    return TRUE;
                case IDC_CREATION_BACKUP_SPLIT:
                    ShowOption(dialog, false, true);
                    return TRUE;
                case IDC_CREATION_BACKUP_BROWSE:
                    Browse(dialog, "Select Backup Location", IDC_CREATION_BACKUP_LOCATION);
                    return TRUE;
                case IDC_CREATION_BACKUP_BROWSE_1:
                    Browse(dialog, "Select Backup Location [Part 1]", IDC_CREATION_BACKUP_LOCATION_1);
                    return TRUE;
                case IDC_CREATION_BACKUP_BROWSE_2:
                    Browse(dialog, "Select Backup Location [Part 2]", IDC_CREATION_BACKUP_LOCATION_2);
                    return TRUE;
                case IDYES:
                    if (IsDlgButtonChecked(dialog, IDC_CREATION_BACKUP_SINGLE) == BST_CHECKED) {
                        YesSingle(dialog, state);
                    } else if (IsDlgButtonChecked(dialog, IDC_CREATION_BACKUP_SPLIT) == BST_CHECKED) {
                        YesSplit(dialog, state);
                    } else {
                        ClearFlags(state->choice);
                        ShowMessageBox(dialog, "You must select an option before you click \"Yes\".");
                    }
                    return TRUE;
                case IDNO:
                case IDCANCEL:
                    ClearFlags(state->choice);
                    EndDialog(dialog, IDNO);
                    return TRUE;
            }
            return FALSE;
    }
    return WhiteDialogColours(message, wParam);
}

}  // namespace

void RunCreationBackupDialog(HWND owner, const char *userName, CreationBackupChoice *choice) {
    memset(choice, 0, sizeof *choice);
    BackupState state = {userName, choice};
    DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_USER_INFO_BACKUP), owner, CreationBackupProc,
                    (LPARAM)&state);
}
