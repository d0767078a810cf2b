// The backup that a log-in from backup reads instead of the token: the vault
// file and the user and vault information files, whole or split in two parts.
#pragma once

#include "keys/core/path_size.h"

struct BackupChoice {
    int split;  // 0 whole backup, 1 split backup
    char vaultPath[kPathSize];
    char userInfoPath[kPathSize];   // whole backup, or part 1
    char vaultInfoPath[kPathSize];  // whole backup, or part 1
    char userInfoPart2Path[kPathSize];
    char vaultInfoPart2Path[kPathSize];
};
