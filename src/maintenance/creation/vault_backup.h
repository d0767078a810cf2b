// The vault backup: scheduled from the tray while the vault is open, and
// made once "Lock and Exit" has locked the vault.
#pragma once
#include <windows.h>

#include "maintenance/messages/maintenance_outcome.h"
#include "shell/ui/choose_folder.h"

// The "Backup Vault" command's question. Returns the new scheduled flag:
// 1 (after "Vault backup scheduled ...") or 0.
int AskScheduleVaultBackup(HWND owner);

// One copy of the container into folder, through a new file moved over the
// target; shows nothing. kMaintenanceOk when copied; kVaultBackupHoldsVault
// when the target is the container itself; kVaultBackupExists when a file
// is there and overwrite is 0; kVaultBackupFailed; kMaintenanceUntold when
// folder is no folder.
MaintenanceResult CopyVaultInto(const char *containerPath, const char *folder, int overwrite);

// A folder chooser: 1 with a MAX_PATH folder in path, 0 when none was chosen.
typedef int (*VaultBackupFolderChooser)(HWND owner, const char *title, char *path);

// After the lock: lets the user pick a folder with chooseFolder and copies
// the container there, asking before it overwrites a file. 1 when a copy was
// made.
int CopyVaultAfterLock(HWND owner, const char *containerPath, VaultBackupFolderChooser chooseFolder = ChooseFolder);
