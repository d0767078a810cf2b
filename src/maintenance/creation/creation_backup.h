// The backup offered at the end of a user creation: the "Kovara - User
// Information Backup" dialog, then the writing of the single or split files.
#pragma once
#include <windows.h>

#include "keys/core/path_size.h"
#include "maintenance/messages/maintenance_outcome.h"

struct CreationBackupChoice {
    int wanted;
    int single;
    int split;
    char userInfo[kPathSize];   // single, or part 1
    char vaultInfo[kPathSize];  // single, or part 1
    char userInfo2[kPathSize];
    char vaultInfo2[kPathSize];
};

// Runs the dialog modally; the choice's flags say what the user asked for.
void RunCreationBackupDialog(HWND owner, const char *userName, CreationBackupChoice *choice);

// The writes show nothing: their outcome names the files for its text.

// Copies the vault information file and writes the 852-byte record to the
// single targets: kSingleBackupWritten, or kSingleBackupFailed with nothing
// of it left behind.
MaintenanceResult WriteSingleBackup(const CreationBackupChoice &choice, const unsigned char *record852,
                                    const char *vaultInfoPath);

// Writes the two halves of the record and the two copies of the vault
// information file: kSplitBackupWritten, or a failure with nothing of it
// left behind.
MaintenanceResult WriteSplitBackup(const CreationBackupChoice &choice, const unsigned char *record852,
                                   const char *vaultInfoPath);
