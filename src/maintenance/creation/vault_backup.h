// The vault backup: scheduled from the tray while the vault is open, and
// made once "Lock and Exit" has locked the vault.
#pragma once
#include <windows.h>

// The "Backup Vault" command's question. Returns the new scheduled flag:
// 1 (after "Vault backup scheduled ...") or 0.
int AskScheduleVaultBackup(HWND owner);

// After the lock: lets the user pick a folder and copies the container
// there, asking before it overwrites a file. 1 when a copy was made.
int CopyVaultAfterLock(HWND owner, const char *containerPath);

// The folder chooser the copy uses; tests put their own in its place.
typedef int (*VaultBackupFolderChooser)(HWND owner, const char *title, char *path);
extern VaultBackupFolderChooser g_vaultBackupFolderChooser;
