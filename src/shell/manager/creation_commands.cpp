#include "shell/manager/creation_commands.h"

#include <string.h>

#include "maintenance/creation/create_user.h"
#include "maintenance/recovery/recovery_questions.h"
#include "maintenance/creation/vault_backup.h"
#include "shell/manager/lock_vault.h"
#include "shell/manager/main_window.h"

void CommandCreateUser(HWND mainWindow, MainWindowState &state) {
    CreationCalls calls = {RunRecoveryQuestions, LockVault};
    CreatedUser created;
    state.userPassRunning = 1;
    int made = CreateUser(mainWindow, state.recoveryOption == 1, calls, &created);
    state.userPassRunning = 0;
    if (!made) return;
    state.noUserYet = 0;
    state.logIn.loggedIn = 1;
    state.logIn.loggedInFromBackup = 0;
    memset(&state.logIn.user, 0, sizeof state.logIn.user);
    strncpy(state.logIn.user.name, created.name, sizeof state.logIn.user.name - 1);
    strncpy(state.logIn.user.vaultPath, created.vaultPath, sizeof state.logIn.user.vaultPath - 1);
    EnterLoggedInState(mainWindow, state);
}

void CommandBackupVault(HWND mainWindow, MainWindowState &state) {
    state.backupScheduled = AskScheduleVaultBackup(mainWindow);
}

void MakeVaultBackupAfterLock(HWND owner, MainWindowState &state) {
    CopyVaultAfterLock(owner, state.logIn.user.vaultPath);
}
