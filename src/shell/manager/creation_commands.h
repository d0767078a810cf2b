// Commands of the main window that create a user and back up the vault.
#pragma once
#include <windows.h>

#include "shell/manager/main_window_state.h"

// 1201, "&Next >" / "OK" of the new-user page: create the user and the vault
// from the page's fields (the recovery questions first when
// state.recoveryOption is 1). On success the new user is logged in with the
// vault open and the logged-in state is entered.
void CommandCreateUser(HWND mainWindow, MainWindowState &state);

// 32920, tray "Backup &Vault": asks whether to copy the vault at "Lock and
// Exit" and sets state.backupScheduled accordingly.
void CommandBackupVault(HWND mainWindow, MainWindowState &state);

// The lock-and-exit dialog after a successful lock, when its backup question
// was answered Yes: copy the locked vault (state.logIn.user.vaultPath) to a
// folder the user picks. owner is the lock-and-exit dialog.
void MakeVaultBackupAfterLock(HWND owner, MainWindowState &state);
