// "Kovara - Restore Key On Token": writes a backup of the user information
// record onto the selected token after proving the user's password with it.
#include <string.h>

#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"
#include "maintenance/registry/registry_settings.h"
#include "resources/resource.h"
#include "shell/ui/choose_file.h"
#include "shell/ui/error_box.h"
#include "shell/ui/wait_cursor.h"
#include "shell/ui/white_dialog.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_key_backup.h"
#include "token/operations/token_key_keep.h"
#include "token/operations/token_message_box.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"

namespace {

const long long kSmallestVault = 5LL << 20;

void Refuse(HWND dialog, const std::string &text, int focus) {
    TokenWarning(dialog, text);
    if (focus) SetFocus(GetDlgItem(dialog, focus));
}

// Size of the file opened for reading with read sharing; -1 when it cannot be had.
long long SharedFileSize(const char *path) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER size;
    BOOL ok = GetFileSizeEx(file, &size);
    CloseHandle(file);
    return ok ? size.QuadPart : -1;
}

// The registered vault must be there, readable and big enough to be a vault.
int CheckRegisteredVault(HWND dialog, const char *userName, const char *vaultPath) {
    std::string quoted = std::string("\"") + userName + "\"";
    HANDLE vault =
        CreateFileA(vaultPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (vault == INVALID_HANDLE_VALUE) {
        TokenWarning(dialog, "The registered vault for user " + quoted +
                                 ", either cannot be found or is not accessible." +
                                 "\nIf you entered wrong username, then correct it." +
                                 "\nElse If you changed the vault location then restore it.");
        return 0;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(vault, &size)) {
        std::string text = "The vault for user " + quoted + ", either cannot be found or is not accessible.";
        SystemErrorBox(dialog, text.c_str());
        CloseHandle(vault);
        return 0;
    }
    CloseHandle(vault);
    if ((size.QuadPart >> 20) < 5) {
        TokenWarning(dialog,
                     "The vault data for user " + quoted + ", is corrupt." + "\nThe vault data cannot be validated.");
        return 0;
    }
    return 1;
}

// Reads the whole backup file; 0 after its message.
int ReadBackupRecord(HWND dialog, const char *path, unsigned char *record) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SystemErrorBox(dialog, "Unexpected system error occurred.");
        return 0;
    }
    DWORD got = 0;
    BOOL ok = ReadFile(file, record, kUserInfoSize, &got, nullptr);
    if (!ok) SystemErrorBox(dialog, "Unexpected system error occurred.");
    CloseHandle(file);
    if (!ok) return 0;
    if (got < kUserInfoSize) {
        TokenWarning(dialog, "The selected User Information file to be restored is corrupt! ");
        return 0;
    }
    return 1;
}

const char kUnchanged[] =
    "The key could not be restored on the token."
    "\nThe key the token held before was stored back: nothing was changed on the token.";
const char kLost[] =
    "The key could not be restored on the token, and the key it held before could not be "
    "stored back."
    "\nThe token holds no key now: restore your token key backup again.";

// Replaces the token's key with the record, keeping the one it held until the
// new one is stored.
int PutRecordOnToken(HWND dialog, const unsigned char *record, const char *tokenPassword) {
    return ReplaceTokenKey(dialog, tokenPassword, record, 1, TokenKeyTexts{kUnchanged, kLost});
}

}  // namespace

int RestoreTokenKey(HWND dialog, const char *filePath, const char *userName, const char *password,
                    const char *tokenPassword) {
    long long fileSize = SharedFileSize(filePath);
    if (fileSize <= 0) {
        TokenWarning(dialog, "The file selected to restore either does not contain data or is not accessible.");
        return 0;
    }
    if (fileSize != kUserInfoSize) {
        TokenWarning(dialog, "The file selected to restore failed integrity check.");
        return 0;
    }
    char vaultPath[kPathSize];
    if (!FindVault(userName, vaultPath, sizeof vaultPath)) {
        TokenWarning(dialog, std::string("The vault for user \"") + userName + "\" cannot be found." +
                                 "\nIf you entered wrong username, then correct it." +
                                 "\nElse If you changed Windows registry settings for Kovara, " +
                                 "\nthen first restore the settings.");
        return 0;
    }
    if (!CheckRegisteredVault(dialog, userName, vaultPath)) return 0;
    unsigned char record[kUserInfoSize];
    if (!ReadBackupRecord(dialog, filePath, record)) return 0;
    int restored = 0;
    if (!UserInfoAcceptsPassword(record, password, vaultPath)) {
        TokenWarning(dialog, "Either Username or Password is wrong.\nOr the file to be restored is corrupt! ");
    } else {
        restored = PutRecordOnToken(dialog, record, tokenPassword);
    }
    SecureWipe(record, sizeof record);
    if (restored) TokenNotice(dialog, "Data restored on the token successfully!");
    return restored;
}

namespace {

void OnBrowse(HWND dialog) {
    char path[MAX_PATH] = "";
    SetChooseFileFilter("Key Backup Files (*.USER)\0*.USER\0All Files(*.*)\0*.*\0\0");
    if (ChooseFile(dialog, "Kovara - Select Backup File To Restore", 1, ".user", path))
        SetDlgItemTextA(dialog, IDC_RESTORE_FILE, path);
}

void OnOk(HWND dialog) {
    WaitCursor wait;
    char path[260], user[100], password[100], tokenPassword[100];
    GetDlgItemTextA(dialog, IDC_RESTORE_FILE, path, sizeof path);
    GetDlgItemTextA(dialog, IDC_RESTORE_USER, user, sizeof user);
    GetDlgItemTextA(dialog, IDC_RESTORE_PASSWORD, password, sizeof password);
    GetDlgItemTextA(dialog, IDC_RESTORE_TOKEN_PASSWORD, tokenPassword, sizeof tokenPassword);
    int restored = 0;
    if (!path[0])
        Refuse(dialog, "First select the file to restore.\nClick \"Browse\" to select the file.", IDC_RESTORE_BROWSE);
    else if (!user[0])
        Refuse(dialog, "Username is required.", IDC_RESTORE_USER);
    else if (!password[0])
        Refuse(dialog, "Enter your password.", IDC_RESTORE_PASSWORD);
    else if (!tokenPassword[0])
        Refuse(dialog, "Enter your token password.", IDC_RESTORE_TOKEN_PASSWORD);
    else
        restored = RestoreTokenKey(dialog, path, user, password, tokenPassword);
    SecureWipe(password, sizeof password);
    SecureWipe(tokenPassword, sizeof tokenPassword);
    if (restored) EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK RestoreKeyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageA(dialog, IDC_RESTORE_USER, EM_LIMITTEXT, 99, 0);
            SendDlgItemMessageA(dialog, IDC_RESTORE_PASSWORD, EM_LIMITTEXT, 99, 0);
            SendDlgItemMessageA(dialog, IDC_RESTORE_TOKEN_PASSWORD, EM_LIMITTEXT, 99, 0);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_RESTORE_BROWSE:
                    OnBrowse(dialog);
                    return TRUE;
                case IDC_RESTORE_OK:
                case IDOK:
                    OnOk(dialog);
                    return TRUE;
                case IDC_RESTORE_CANCEL:
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

void RunRestoreKeyOnTokenDialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RESTORE_KEY_ON_TOKEN), owner, RestoreKeyProc, 0);
}
