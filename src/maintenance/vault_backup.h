// The vault backup: scheduled from the tray while the vault is open, asked
// for in the lock-and-exit dialog, and made once the vault is locked.
#pragma once
#include <windows.h>

// The "Backup Vault" command's question. Returns the new scheduled flag:
// 1 (after "Vault backup scheduled ...") or 0.
int AskScheduleVaultBackup(HWND owner);

// Asked before the lock of "Lock and Exit" when a backup was scheduled or
// the weekly reminder is due; 1 when the user wants the backup, 0 when not
// or when nothing was asked.
int AskVaultBackupAtLock(HWND owner, int scheduled, int weeklyReminderDue);

// After the lock: lets the user pick a folder and copies the container
// there, asking before it overwrites a file. 1 when a copy was made.
int CopyVaultAfterLock(HWND owner, const char *containerPath);

// The folder chooser the copy uses; tests put their own in its place.
typedef int (*VaultBackupFolderChooser)(HWND owner, const char *title, char *path);
extern VaultBackupFolderChooser g_vaultBackupFolderChooser;
