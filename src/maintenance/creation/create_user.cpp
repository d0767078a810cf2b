#include "maintenance/creation/create_user.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "keys/files/key_files.h"
#include "keys/files/keys_messages.h"
#include "keys/files/recovery_file_path.h"
#include "keys/files/token_use.h"
#include "crypto/core/secure_wipe.h"
#include "maintenance/creation/creation_backup.h"
#include "maintenance/creation/format_drive.h"
#include "maintenance/messages/maintenance_messages.h"
#include "maintenance/registry/registry_settings.h"
#include "maintenance/creation/setup_vault_dialog.h"
#include "mount/open/mount_messages.h"
#include "mount/open/mount_vault.h"
#include "crypto/win/random_win.h"
#include "resources/resource.h"
#include "shell/state/open_vault.h"
#include "shell/state/process_state.h"
#include "shell/ui/wait_cursor.h"
#include "shared/shell_link/shell_link.h"
#include "token/operations/token_operations.h"

namespace {

enum { kFieldSize = 101, kSaltSize = 20, kKeyBlockSize = 256, kTokenKeyLength = 900 };


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

    const CreationCalls &calls;
    MaintenanceOutcome outcome;

    Pass(HWND window, const CreationCalls &creationCalls)
        : main(window), recovery(false), calls(creationCalls), outcome(kMaintenanceOk) {
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
    // A refused check or a failed step (its undo has run): progress 0 and
    // the outcome kept for the caller to tell.
    int Fail(MaintenanceOutcome failure) {
        SendDlgItemMessageA(main, IDC_CREATION_PROGRESS, PBM_SETPOS, 0, 0);
        outcome = failure;
        return 0;
    }
    // A box of a step that the pass goes on from, or ends after: told now,
    // through the caller.
    void Tell(HWND owner, const OutcomeBox &box) {
        if (box.kind != kNoBox) calls.tell(owner, box);
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
int CheckBeforeWriting(Pass &pass) {
    const char *folder = g_process.programFolder;
    char reconfirm[kFieldSize] = "";
    ReadPage(pass, reconfirm);
    DWORD vaultFolder = GetFileAttributesA(InFolder(folder, "Vault").c_str());
    if (vaultFolder == INVALID_FILE_ATTRIBUTES || !(vaultFolder & FILE_ATTRIBUTE_DIRECTORY)) {
        SecureWipe(reconfirm, sizeof reconfirm);
        return pass.Fail(kCreationNoVaultFolder);
    }
    pass.Step();

    int result = 0;
    std::string user = pass.user;
    char registered[kPathSize];
    char recoveryPath[MAX_PATH];
    if (!pass.user[0]) {
        pass.Fail(kCreationNoUserName);
    } else if (Exists(InFolder(folder, ("Key\\" + user + ".user").c_str())) ||
               Exists(InFolder(folder, ("Key\\" + user + ".vault").c_str())) ||
               Exists(InFolder(folder, ("Vault\\Kovara_" + user + ".udf").c_str())) ||
               !RecoveryFilePathOf(pass.user, recoveryPath, sizeof recoveryPath) || Exists(recoveryPath) ||
               FindVault(pass.user, registered, sizeof registered)) {
        pass.Fail(kCreationUserExists);
    } else if (!pass.password[0]) {
        pass.Fail(kCreationNoPassword);
    } else if (!reconfirm[0]) {
        pass.Fail(kCreationNoReconfirm);
    } else if (strcmp(pass.password, reconfirm) != 0) {
        pass.Fail(kCreationPasswordsDiffer);
    } else {
        result = 1;
        pass.recoveryPath = recoveryPath;
    }
    SecureWipe(reconfirm, sizeof reconfirm);
    if (!result) return 0;
    pass.Step();

    if (!AuthoriseTokenUse(pass.main, pass.tokenPassword, sizeof pass.tokenPassword) ||
        !PrepareTokenForNewKey(pass.main, pass.tokenPassword, kTokenKeyLength))
        return pass.Fail(kMaintenanceUntold);
    pass.Step();

    if (pass.recovery && pass.calls.recoveryQuestions(pass.main, pass.user, pass.password) != 1)
        return pass.Fail(kMaintenanceUntold);
    pass.Step();
    return 1;
}

int Open(Pass &pass) {
    VaultKeySource source = {pass.password, pass.tokenPassword, NULL};
    KeyLoading loading = {LoadVaultKeyFromSource, &source};
    MountResult mounted = MountVault(pass.main, pass.vault.containerPath, pass.vault.sizeMb, 0, 'A', loading);
    pass.Tell(MountOutcomeOwner(pass.main, mounted), MountOutcomeBox(mounted));
    pass.Tell(pass.main, KeysOutcomeBox(source.outcome));
    return MountOpened(mounted);
}

// Steps 2 to 5: the record on the token, checked, registered, and the new
// container opened.
int MakeUserAndContainer(Pass &pass) {
    if (RandomGetBytes(pass.salt, kSaltSize) != kSaltSize ||
        RandomGetBytes(pass.keyBlock, kKeyBlockSize) != kKeyBlockSize ||
        !SealUserInfo(pass.main, pass.salt, pass.keyBlock, pass.password, pass.vault.containerPath,
                      pass.tokenPassword)) {
        pass.RemoveRecoveryFile();
        return pass.Fail(kCreationNotCreated);
    }
    pass.Step();
    if (CheckUserIdentity(pass.main, pass.password, pass.vault.containerPath, pass.tokenPassword, NULL).outcome !=
        kKeysOk) {
        pass.RemoveRecoveryFile();
        return pass.Fail(kCreationNotCreated);
    }
    pass.Step();
    if (!RegisterVault(pass.user, pass.vault.containerPath)) {
        pass.RemoveRecoveryFile();
        return pass.Fail(kCreationNotRegistered);
    }
    pass.Step();
    if (!Open(pass)) {
        pass.Unregister();
        pass.RemoveRecoveryFile();
        pass.RemoveContainer();
        return pass.Fail(kMaintenanceUntold);
    }
    pass.Step();
    return 1;
}

// Steps 6 to 9: format, lock, and the vault information file.
int FormatAndSeal(Pass &pass) {
    const CreationCalls &calls = pass.calls;
    char letter = g_openVault.driveLetter;
    int formatted = 0;
    RunVaultCreatedDialog(pass.main, letter, &formatted);
    pass.Step();
    if (!formatted) {
        if (calls.lock(pass.main, letter)) pass.RemoveContainer();
        pass.Unregister();
        pass.RemoveRecoveryFile();
        return pass.Fail(kCreationNotFormatted);
    }
    if (!calls.lock(pass.main, letter)) {
        // The container stays: it is still open.
        pass.Unregister();
        pass.RemoveRecoveryFile();
        return pass.Fail(kCreationFailed);
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
        return pass.Fail(kCreationFailed);
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
        MaintenanceResult written = WriteSplitBackup(choice, g_userInfoBackupBuffer, pass.vaultInfoPath.c_str());
        pass.Tell(pass.main, MaintenanceOutcomeBox(written));
        ok = written.outcome == kSplitBackupWritten;
    } else if (choice.wanted && choice.single) {
        // A failed single backup leaves the creation going: it can be made after log-in.
        pass.Tell(pass.main,
                  MaintenanceOutcomeBox(WriteSingleBackup(choice, g_userInfoBackupBuffer, pass.vaultInfoPath.c_str())));
    }
    SecureWipe(g_userInfoBackupBuffer, sizeof g_userInfoBackupBuffer);
    if (!ok) {
        RemoveUserFiles(pass);
        return pass.Fail(kCreationSplitBackupFailed);
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
        return pass.Fail(kCreationNotReopened);
    }
    return 1;
}

}  // namespace

MaintenanceOutcome CreateUser(HWND main, int askRecovery, const CreationCalls &calls, CreatedUser *user) {
    Pass pass(main, calls);
    pass.recovery = askRecovery != 0;
    SendDlgItemMessageA(main, IDC_CREATION_PROGRESS, PBM_SETPOS, 0, 0);
    if (!CheckBeforeWriting(pass)) return pass.outcome;

    if (RunSetupVaultDialog(main, g_process.programFolder, pass.user, &pass.vault) != 1 || pass.vault.cancelled) {
        pass.RemoveRecoveryFile();
        pass.Fail(kMaintenanceUntold);
        return pass.outcome;
    }
    // Shown until the pass ends, whichever way it ends.
    WaitCursor wait;
    pass.Step();
    if (!MakeUserAndContainer(pass)) return pass.outcome;

    pass.EnableButtons(false);
    if (!FormatAndSeal(pass) || !OfferBackup(pass) || !OpenAgain(pass)) return pass.outcome;

    memset(user, 0, sizeof *user);
    strncpy(user->name, pass.user, sizeof user->name - 1);
    strncpy(user->vaultPath, pass.vault.containerPath, sizeof user->vaultPath - 1);
    return kMaintenanceOk;
}

void FinishCreationPage(HWND main, MaintenanceOutcome outcome) {
    if (outcome == kMaintenanceOk) return;
    ShowMaintenanceOutcome(main, MaintenanceOutcomeOf(outcome));
    int field = IDC_NEW_USER_NAME;
    if (outcome == kCreationNoPassword || outcome == kCreationPasswordsDiffer) field = IDC_NEW_PASSWORD;
    if (outcome == kCreationNoReconfirm) field = IDC_RECONFIRM_PASSWORD;
    SetFocus(GetDlgItem(main, field));
}
