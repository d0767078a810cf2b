// The backup offered at the end of a user creation: the "Kovara - User
// Information Backup" dialog, then the writing of the single or split files.
#pragma once
#include <windows.h>

#include "maintenance/messages/maintenance_outcome.h"

enum { kBackupTargetSize = 261 };

struct CreationBackupChoice {
    int wanted;
    int single;
    int split;
    char userInfo[kBackupTargetSize];   // single, or part 1
    char vaultInfo[kBackupTargetSize];  // single, or part 1
    char userInfo2[kBackupTargetSize];
    char vaultInfo2[kBackupTargetSize];
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
