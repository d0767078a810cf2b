#include "maintenance/creation/create_user.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "crypto/win/random_win.h"
#include "keys/files/key_files.h"
#include "keys/files/recovery_file_path.h"
#include "keys/files/token_use.h"
#include "crypto/core/secure_wipe.h"
#include "maintenance/creation/creation_backup.h"
#include "shell/ui/message_box.h"
#include "maintenance/creation/format_drive.h"
#include "maintenance/registry/registry_settings.h"
#include "maintenance/creation/setup_vault_dialog.h"
#include "mount/open/mount_vault.h"
#include "resources/resource.h"
#include "shell/state/open_vault.h"
#include "shell/state/process_state.h"
#include "shell/ui/wait_cursor.h"
#include "shared/shell_link/shell_link.h"
#include "token/operations/token_operations.h"

namespace {

enum { kFieldSize = 101, kSaltSize = 20, kKeyBlockSize = 256, kTokenKeyLength = 900 };

const char kNotCreated[] = "Error creating new user.\nTry Again.";
const char kCreationError[] = "There was error creating new user.";

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Remove(const std::string &path) {
    if (path.empty()) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// One run of the pass: its inputs, the secrets it holds, what it has made so
// far, and the page it reports on. The destructor wipes the secrets and
// leaves the page usable.
struct Pass {
    HWND main;
    char user[kFieldSize];
    char password[kFieldSize];
    char tokenPassword[kFieldSize];
    unsigned char salt[kSaltSize];
    unsigned char keyBlock[kKeyBlockSize];
    bool recovery;
    std::string recoveryPath, vaultInfoPath;
    VaultChoice vault;

    explicit Pass(HWND window) : main(window), recovery(false) {
        memset(user, 0, sizeof user);
        memset(password, 0, sizeof password);
        memset(tokenPassword, 0, sizeof tokenPassword);
        memset(&vault, 0, sizeof vault);
    }
    ~Pass() {
        SecureWipe(password, sizeof password);
        SecureWipe(tokenPassword, sizeof tokenPassword);
        SecureWipe(salt, sizeof salt);
        SecureWipe(keyBlock, sizeof keyBlock);
        SecureWipe(g_userInfoBackupBuffer, sizeof g_userInfoBackupBuffer);
        EnableButtons(true);
    }

    void Step() { SendDlgItemMessageA(main, IDC_CREATION_PROGRESS, PBM_STEPIT, 0, 0); }
    void Status(const char *text) { SetDlgItemTextA(main, IDC_CREATION_STATUS, text); }
    void EnableButtons(bool on) {
        EnableWindow(GetDlgItem(main, IDC_CREATE_NEXT), on);
        EnableWindow(GetDlgItem(main, IDC_CREATE_CANCEL), on);
    }
    // A refused check: its warning, focus to the field named.
    int Refuse(const char *text, int field) {
        ShowMessageBox(main, text);
        SetFocus(GetDlgItem(main, field));
        SendDlgItemMessageA(main, IDC_CREATION_PROGRESS, PBM_SETPOS, 0, 0);
        return 0;
    }
    // A failed step: its undo has run; the message (if any), progress 0,
    // focus to the user name.
    int Fail(const char *text) {
        if (text) ShowMessageBox(main, text);
        SendDlgItemMessageA(main, IDC_CREATION_PROGRESS, PBM_SETPOS, 0, 0);
        SetFocus(GetDlgItem(main, IDC_NEW_USER_NAME));
        return 0;
    }

    // Undo pieces, each safe to run when its piece was never made.
    void RemoveRecoveryFile() {
        if (recovery) Remove(recoveryPath);
    }
    void Unregister() { UnregisterVault(user); }
    void RemoveContainer() { Remove(vault.containerPath); }
    void RemoveVaultInfo() { Remove(vaultInfoPath); }
};

void ReadPage(Pass &pass, char *reconfirm) {
    GetDlgItemTextA(pass.main, IDC_NEW_USER_NAME, pass.user, kFieldSize - 1);
    GetDlgItemTextA(pass.main, IDC_NEW_PASSWORD, pass.password, kFieldSize - 1);
    GetDlgItemTextA(pass.main, IDC_RECONFIRM_PASSWORD, reconfirm, kFieldSize - 1);
    // Taken: the passwords do not stay in the page while the pass runs.
    SetDlgItemTextA(pass.main, IDC_NEW_PASSWORD, "");
    SetDlgItemTextA(pass.main, IDC_RECONFIRM_PASSWORD, "");
}

// The checks before anything is written, in their order.
int CheckBeforeWriting(Pass &pass, const CreationCalls &calls) {
    const char *folder = g_process.programFolder;
    char reconfirm[kFieldSize] = "";
    ReadPage(pass, reconfirm);
    DWORD vaultFolder = GetFileAttributesA(InFolder(folder, "Vault").c_str());
    if (vaultFolder == INVALID_FILE_ATTRIBUTES || !(vaultFolder & FILE_ATTRIBUTE_DIRECTORY)) {
        SecureWipe(reconfirm, sizeof reconfirm);
        return pass.Refuse(
            "Vault sub-folder not found in program folder."
            "\nEither this folder was removed or is not accessible.",
            IDC_NEW_USER_NAME);
    }
    pass.Step();

    int result = 0;
    std::string user = pass.user;
    char registered[kPathSize];
    char recoveryPath[MAX_PATH];
    if (!pass.user[0]) {
        pass.Refuse("Please enter a Username.", IDC_NEW_USER_NAME);
    } else if (Exists(InFolder(folder, ("Key\\" + user + ".user").c_str())) ||
               Exists(InFolder(folder, ("Key\\" + user + ".vault").c_str())) ||
               Exists(InFolder(folder, ("Vault\\Kovara_" + user + ".udf").c_str())) ||
               !RecoveryFilePathOf(pass.user, recoveryPath, sizeof recoveryPath) || Exists(recoveryPath) ||
               FindVault(pass.user, registered, sizeof registered)) {
        pass.Refuse("Selected Username exists.\nSelect some other Username.", IDC_NEW_USER_NAME);
    } else if (!pass.password[0]) {
        pass.Refuse("Please enter a Password.", IDC_NEW_PASSWORD);
    } else if (!reconfirm[0]) {
        pass.Refuse("Please enter a Reconfirm Password.", IDC_RECONFIRM_PASSWORD);
    } else if (strcmp(pass.password, reconfirm) != 0) {
        pass.Refuse("Two given passwords do not match.", IDC_NEW_PASSWORD);
    } else {
        result = 1;
        pass.recoveryPath = recoveryPath;
    }
    SecureWipe(reconfirm, sizeof reconfirm);
    if (!result) return 0;
    pass.Step();

    if (!AuthoriseTokenUse(pass.main, pass.tokenPassword, sizeof pass.tokenPassword) ||
        !PrepareTokenForNewKey(pass.main, pass.tokenPassword, kTokenKeyLength))
        return pass.Fail(NULL);
    pass.Step();

    if (pass.recovery && calls.recoveryQuestions(pass.main, pass.user, pass.password) != 1) return pass.Fail(NULL);
    pass.Step();
    return 1;
}

int Open(Pass &pass) {
    VaultKeySource source = {pass.password, pass.tokenPassword, NULL};
    KeyLoading loading = {LoadVaultKeyFromSource, &source};
    return MountVault(pass.main, pass.vault.containerPath, pass.vault.sizeMb, 0, 'A', loading);
}

// Steps 2 to 5: the record on the token, checked, registered, and the new
// container opened.
int MakeUserAndContainer(Pass &pass) {
    if (RandomGetBytes(pass.salt, kSaltSize) != kSaltSize ||
        RandomGetBytes(pass.keyBlock, kKeyBlockSize) != kKeyBlockSize ||
        !SealUserInfo(pass.main, pass.salt, pass.keyBlock, pass.password, pass.vault.containerPath,
                      pass.tokenPassword)) {
        pass.RemoveRecoveryFile();
        return pass.Fail(kNotCreated);
    }
    pass.Step();
    if (!CheckUserIdentity(pass.main, pass.password, pass.vault.containerPath, pass.tokenPassword, NULL)) {
        pass.RemoveRecoveryFile();
        return pass.Fail(kNotCreated);
    }
    pass.Step();
    if (!RegisterVault(pass.user, pass.vault.containerPath)) {
        pass.RemoveRecoveryFile();
        return pass.Fail(
            "Unable to create program registry entry.\nCheck your user permissions on this system."
            "\nNew user can not be created.");
    }
    pass.Step();
    if (!Open(pass)) {
        pass.Unregister();
        pass.RemoveRecoveryFile();
        pass.RemoveContainer();
        return pass.Fail(NULL);
    }
    pass.Step();
    return 1;
}

// Steps 6 to 9: format, lock, and the vault information file.
int FormatAndSeal(Pass &pass, const CreationCalls &calls) {
    char letter = g_openVault.driveLetter;
    int formatted = 0;
    RunVaultCreatedDialog(pass.main, letter, &formatted);
    pass.Step();
    if (!formatted) {
        if (calls.lock(pass.main, letter)) pass.RemoveContainer();
        pass.Unregister();
        pass.RemoveRecoveryFile();
        return pass.Fail(
            "The vault was not formatted.\nTo successfully create a user, the vault must be formatted "
            "after creation.\n\nUser not created.");
    }
    if (!calls.lock(pass.main, letter)) {
        // The container stays: it is still open.
        pass.Unregister();
        pass.RemoveRecoveryFile();
        return pass.Fail(kCreationError);
    }
    pass.Step();

    char vaultInfoPath[MAX_PATH];
    bool pathFits = VaultInfoPathOf(pass.user, vaultInfoPath, sizeof vaultInfoPath) != 0;
    // Only a file this step made is removed on failure; SealVaultInfo never
    // replaces an existing one.
    bool existedBefore = pathFits && Exists(vaultInfoPath);
    if (!pathFits || !SealVaultInfo(pass.vault.containerPath, pass.keyBlock, vaultInfoPath)) {
        if (pathFits && !existedBefore) Remove(vaultInfoPath);
        pass.Unregister();
        pass.RemoveRecoveryFile();
        pass.RemoveContainer();
        return pass.Fail(kCreationError);
    }
    pass.vaultInfoPath = vaultInfoPath;
    pass.Step();
    return 1;
}

void RemoveUserFiles(Pass &pass) {
    pass.Unregister();
    pass.RemoveRecoveryFile();
    pass.RemoveVaultInfo();
    pass.RemoveContainer();
}

// Step 10: the backup offered; only a failed split backup stops the pass.
int OfferBackup(Pass &pass) {
    pass.Status("Creation Status");
    CreationBackupChoice choice;
    RunCreationBackupDialog(pass.main, pass.user, &choice);
    int ok = 1;
    if (choice.wanted && choice.split) {
        ok = WriteSplitBackup(pass.main, choice, g_userInfoBackupBuffer, pass.vaultInfoPath.c_str());
    } else if (choice.wanted && choice.single) {
        WriteSingleBackup(pass.main, choice, g_userInfoBackupBuffer, pass.vaultInfoPath.c_str());
    }
    SecureWipe(g_userInfoBackupBuffer, sizeof g_userInfoBackupBuffer);
    if (!ok) {
        RemoveUserFiles(pass);
        return pass.Fail("There was error creating split backup.\nNew user creation aborted.");
    }
    pass.Step();
    return 1;
}

// Step 11: the vault opened again, now with its file system.
int OpenAgain(Pass &pass) {
    pass.Status("Opening Vault..");
    int opened = Open(pass);
    pass.Status("Creation Status");
    SendDlgItemMessageA(pass.main, IDC_CREATION_PROGRESS, PBM_SETPOS, 0, 0);
    if (!opened) {
        RemoveUserFiles(pass);
        return pass.Fail(
            "There was error opening the vault.\nNew User Creation aborted."
            "\n\nClose program, relaunch program then create new user.");
    }
    return 1;
}

}  // namespace

int CreateUser(HWND main, int askRecovery, const CreationCalls &calls, CreatedUser *user) {
    Pass pass(main);
    pass.recovery = askRecovery != 0;
    SendDlgItemMessageA(main, IDC_CREATION_PROGRESS, PBM_SETPOS, 0, 0);
    if (!CheckBeforeWriting(pass, calls)) return 0;

    if (RunSetupVaultDialog(main, g_process.programFolder, pass.user, &pass.vault) != 1 || pass.vault.cancelled) {
        pass.RemoveRecoveryFile();
        return pass.Fail(NULL);
    }
    // Shown until the pass ends, whichever way it ends.
    WaitCursor wait;
    pass.Step();
    if (!MakeUserAndContainer(pass)) return 0;

    pass.EnableButtons(false);
    if (!FormatAndSeal(pass, calls) || !OfferBackup(pass) || !OpenAgain(pass)) return 0;

    memset(user, 0, sizeof *user);
    strncpy(user->name, pass.user, sizeof user->name - 1);
    strncpy(user->vaultPath, pass.vault.containerPath, sizeof user->vaultPath - 1);
    return 1;
}
