// The backup that a log-in from backup reads instead of the token: the vault
// file and the user and vault information files, whole or split in two parts.
#pragma once

enum { kBackupPathSize = 261 };

struct BackupChoice {
    int split;  // 0 whole backup, 1 split backup
    char vaultPath[kBackupPathSize];
    char userInfoPath[kBackupPathSize];   // whole backup, or part 1
    char vaultInfoPath[kBackupPathSize];  // whole backup, or part 1
    char userInfoPart2Path[kBackupPathSize];
    char vaultInfoPart2Path[kBackupPathSize];
};
