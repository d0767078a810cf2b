// Commands of the main window that the creation and maintenance operations
// carry out. Each is called by the main window with its handle (owner of
// every dialog and box, and the window whose controls a page command reads)
// and the window's state, which the command may read and change.
#pragma once
#include <windows.h>

#include "shell/main_window_state.h"

// 1201, "&Next >" / "OK" of the new-user page: create the user and the vault
// from the page's fields (state.recoveryOption tells whether the recovery
// questions are asked). On success the vault is open; the command then
// enters the logged-in state with EnterLoggedInState (main_window.h).
void CommandCreateUser(HWND mainWindow, MainWindowState &state);

// 32920, tray "Backup &Vault": asks whether to copy the vault at "Lock and
// Exit" and sets state.backupScheduled accordingly.
void CommandBackupVault(HWND mainWindow, MainWindowState &state);

// The lock-and-exit dialog after a successful lock, when its backup question
// (asked for state.backupScheduled or state.weeklyVaultBackupDue) was
// answered Yes: copy the locked vault (state.logIn.user.vaultPath) to a
// folder the user picks. owner is the lock-and-exit dialog.
void MakeVaultBackupAfterLock(HWND owner, MainWindowState &state);
