// The dialog in which the user picks the vault file and the backup of the
// user information and vault information files, whole or split in two parts.
#pragma once
#include <windows.h>

#include "keys/core/backup_choice.h"

// Runs the dialog modally. 1 with the choice filled in (split flag and the
// paths of the chosen option), 0 when the user cancels.
int RunLogInBackupDialog(HWND owner, BackupChoice *choice);
