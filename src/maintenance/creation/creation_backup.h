// The backup offered at the end of a user creation: the "Kovara - User
// Information Backup" dialog, then the writing of the single or split files.
#pragma once
#include <windows.h>

#include "keys/core/path_size.h"

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

// Copies the vault information file and writes the 852-byte record to the
// single targets. 1 after "Backup created successfully!"; 0 after its
// message, with nothing of it left behind.
int WriteSingleBackup(HWND owner, const CreationBackupChoice &choice, const unsigned char *record852,
                      const char *vaultInfoPath);

// Writes the two halves of the record and the two copies of the vault
// information file. 1 after "Split Backup created successfully!"; 0 with
// nothing of it left behind.
int WriteSplitBackup(HWND owner, const CreationBackupChoice &choice, const unsigned char *record852,
                     const char *vaultInfoPath);
