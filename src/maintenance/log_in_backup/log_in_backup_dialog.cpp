#include "maintenance/log_in_backup/log_in_backup_dialog.h"

#include <string.h>

#include "resources/resource.h"
#include "shell/ui/choose_file.h"
#include "shell/ui/message_box.h"
#include "shell/ui/white_dialog.h"

namespace {

enum Option { kBoth, kSingle, kSplit };

// One read-only field with its "Browse" button and what the file chooser
// asks of the file put there (size 0: any size).
struct Field {
    int edit;
    int browse;
    Option option;
    const char *title;
    const char *filter;
    const char *extension;
    DWORD size;
};

const char kUserInfoFilter[] = "User Info Files(*.USER)\0*.USER\0All Files(*.*)\0*.*\0";
const char kPartFilter[] = "User Info Files(*.KOVDEV)\0*.KOVDEV\0All Files(*.*)\0*.*\0";
const char kVaultInfoFilter[] = "Vault Info Files(*.VAULT)\0*.VAULT\0All Files(*.*)\0*.*\0";

const Field kFields[] = {
    {IDC_BACKUP_VAULT_FILE, IDC_BACKUP_VAULT_BROWSE, kBoth, "Select Vault File",
     "Vault Files(*.UDF)\0*.UDF\0All Files(*.*)\0*.*\0", ".UDF", 0},
    {IDC_BACKUP_USER_INFO, IDC_BACKUP_USER_INFO_BROWSE, kSingle, "Select User Information File", kUserInfoFilter,
     ".USER", 852},
    {IDC_BACKUP_VAULT_INFO, IDC_BACKUP_VAULT_INFO_BROWSE, kSingle, "Select Vault Information File", kVaultInfoFilter,
     ".VAULT", 512},
    {IDC_BACKUP_USER_INFO_1, IDC_BACKUP_USER_INFO_1_BROWSE, kSplit, "Select User Information File [Part 1]",
     kPartFilter, ".KOVDEV", 426},
    {IDC_BACKUP_VAULT_INFO_1, IDC_BACKUP_VAULT_INFO_1_BROWSE, kSplit, "Select Vault Information File [Part 1]",
     kVaultInfoFilter, ".VAULT", 512},
    {IDC_BACKUP_USER_INFO_2, IDC_BACKUP_USER_INFO_2_BROWSE, kSplit, "Select User Information File [Part 2]",
     kPartFilter, ".KOVDEV", 426},
    {IDC_BACKUP_VAULT_INFO_2, IDC_BACKUP_VAULT_INFO_2_BROWSE, kSplit, "Select Vault Information File [Part 2]",
     kVaultInfoFilter, ".VAULT", 512},
};

// Enables the fields of the chosen option (the vault file belongs to both)
// and disables and empties the others. kBoth here means no option yet.
void ShowOption(HWND dialog, Option chosen) {
    CheckDlgButton(dialog, IDC_BACKUP_SINGLE, chosen == kSingle ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_BACKUP_SPLIT, chosen == kSplit ? BST_CHECKED : BST_UNCHECKED);
    for (const Field &field : kFields) {
        bool on = chosen != kBoth && (field.option == kBoth || field.option == chosen);
        EnableWindow(GetDlgItem(dialog, field.edit), on);
        EnableWindow(GetDlgItem(dialog, field.browse), on);
        if (!on && field.option != kBoth) SetDlgItemTextA(dialog, field.edit, "");
    }
}

// 0 when the size cannot be read.
bool FileSize(const char *path, LARGE_INTEGER *size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool known = GetFileSizeEx(file, size) != 0;
    CloseHandle(file);
    return known;
}

void Browse(HWND dialog, const Field &field) {
    char path[MAX_PATH];
    SetChooseFileFilter(field.filter);
    if (!ChooseFile(dialog, field.title, 1, field.extension, path)) return;
    if (field.size) {
        LARGE_INTEGER size;
        const char *refusal = NULL;
        if (!FileSize(path, &size) || size.QuadPart == 0)
            refusal = "The selected file either does not contain data or is not accessible.";
        else if (size.QuadPart != field.size)
            refusal = "The selected file failed integrity check.";
        if (refusal) {
            ShowMessageBox(dialog, refusal);
            SetDlgItemTextA(dialog, field.edit, "");
            return;
        }
    }
    SetDlgItemTextA(dialog, field.edit, path);
    SendDlgItemMessageA(dialog, field.edit, EM_SETSEL, 0, -1);
}

// Reads a field into the choice; false (after the message) when it is empty.
bool Take(HWND dialog, int edit, char *path, const char *missing) {
    path[0] = '\0';
    GetDlgItemTextA(dialog, edit, path, kPathSize);
    if (path[0]) return true;
    ShowMessageBox(dialog, missing);
    return false;
}

// A vault information file of a split backup must open and yield 512 bytes.
bool VaultInfoReadable(HWND dialog, const char *path, const char *part) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    char text[120];
    if (file == INVALID_HANDLE_VALUE) {
        wsprintfA(text, "The selected Backup of Vault Information File %s is not accessible.", part);
        ShowMessageBox(dialog, text);
        return false;
    }
    unsigned char block[512];
    DWORD read = 0;
    BOOL ok = ReadFile(file, block, sizeof block, &read, NULL);
    CloseHandle(file);
    if (ok && read == sizeof block) return true;
    wsprintfA(text, "The selected Backup of Vault Information File %s is corrupt! ", part);
    ShowMessageBox(dialog, text);
    return false;
}

bool TakeSingle(HWND dialog, BackupChoice *c) {
    return Take(dialog, IDC_BACKUP_VAULT_FILE, c->vaultPath, "You must select the \"Vault File Name\".") &&
           Take(dialog, IDC_BACKUP_USER_INFO, c->userInfoPath,
                "You must select the backup of \"User Information File[*.user]\".") &&
           Take(dialog, IDC_BACKUP_VAULT_INFO, c->vaultInfoPath,
                "You must select the backup of \"Vault Information File[*.vault]\".");
}

bool TakeSplit(HWND dialog, BackupChoice *c) {
    return Take(dialog, IDC_BACKUP_VAULT_FILE, c->vaultPath, "You must select the \"Vault File Name\".") &&
           Take(dialog, IDC_BACKUP_USER_INFO_1, c->userInfoPath,
                "You must select the Part 1 backup of \"User Information File[*.kovdev]\".") &&
           Take(dialog, IDC_BACKUP_VAULT_INFO_1, c->vaultInfoPath,
                "You must select the Part 1 backup of \"Vault Information File[*.vault]\".") &&
           Take(dialog, IDC_BACKUP_USER_INFO_2, c->userInfoPart2Path,
                "You must select the Part 2 backup of \"User Information File[*.kovdev]\".") &&
           Take(dialog, IDC_BACKUP_VAULT_INFO_2, c->vaultInfoPart2Path,
                "You must select the Part 2 backup of \"Vault Information File[*.vault]\".") &&
           VaultInfoReadable(dialog, c->vaultInfoPath, "[Part 1]") &&
           VaultInfoReadable(dialog, c->vaultInfoPart2Path, "[Part 2]");
}

void Accept(HWND dialog, BackupChoice *choice) {
    BackupChoice taken;
    memset(&taken, 0, sizeof taken);
    if (IsDlgButtonChecked(dialog, IDC_BACKUP_SINGLE) == BST_CHECKED) {
        if (!TakeSingle(dialog, &taken)) return;
    } else if (IsDlgButtonChecked(dialog, IDC_BACKUP_SPLIT) == BST_CHECKED) {
        taken.split = 1;
        if (!TakeSplit(dialog, &taken)) return;
    } else {
        ShowMessageBox(dialog, "You must select an option before you click \"OK\".");
        return;
    }
    *choice = taken;
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK LogInBackupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            ShowOption(dialog, kBoth);
            return TRUE;
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
            return WhiteDialogColours(message, wParam);
        case WM_COMMAND: {
            BackupChoice *choice = reinterpret_cast<BackupChoice *>(GetWindowLongPtrA(dialog, DWLP_USER));
            int id = LOWORD(wParam);
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (id) {
                case IDC_BACKUP_SINGLE:
                    ShowOption(dialog, kSingle);
                    return TRUE;
                case IDC_BACKUP_SPLIT:
                    ShowOption(dialog, kSplit);
                    return TRUE;
                case IDOK:
                    Accept(dialog, choice);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
            }
            for (const Field &field : kFields)
                if (field.browse == id) {
                    Browse(dialog, field);
                    return TRUE;
                }
            return FALSE;
        }
    }
    return FALSE;
}

}  // namespace

int RunLogInBackupDialog(HWND owner, BackupChoice *choice) {
    memset(choice, 0, sizeof *choice);
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_LOG_IN_BACKUP), owner,
                                     LogInBackupProc, reinterpret_cast<LPARAM>(choice));
    return result == 1;
}
