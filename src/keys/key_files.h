// The user information, vault information and recovery files as the vault
// manager reads, checks and writes them. Every operation shows its own
// message (caption "Kovara", system-modal, warning icon) and returns 1 or 0.
#pragma once
#include <windows.h>

enum { kKeyPathSize = 261, kAnswerFieldSize = 101 };

// The backup chosen for the running log-in from backup; the paths live until
// that log-in ends.
struct BackupChoice {
    int split;  // 0 whole backup, 1 split backup
    char vaultPath[kKeyPathSize];
    char userInfoPath[kKeyPathSize];   // whole backup, or part 1
    char vaultInfoPath[kKeyPathSize];  // whole backup, or part 1
    char userInfoPart2Path[kKeyPathSize];
    char vaultInfoPart2Path[kKeyPathSize];
};
extern BackupChoice g_backupChoice;

// Receives a copy of every record built by SealUserInfo.
extern unsigned char g_userInfoBackupBuffer[852];

enum UserInfoSource { kUserInfoFromToken, kUserInfoFromWholeBackup, kUserInfoFromSplitBackup };

// The source that a check or the key loading reads: the token, or the
// chosen backup when fromBackup is set.
UserInfoSource UserInfoSourceFor(int fromBackup);

int ReadUserInfo(HWND owner, UserInfoSource source, const char *tokenPassword, unsigned char *record852);

// 1 when the password opens the record and its identity names vaultPath.
// Shows only the messages of the read itself.
int CheckUserIdentity(HWND owner, const char *password, const char *vaultPath, const char *tokenPassword,
                      int fromBackup);

int CheckVaultInfo(HWND owner, const char *password, const char *vaultPath, const char *userName,
                   const char *tokenPassword, int fromBackup);

// Builds the record, keeps a copy in the backup buffer and stores it on the
// token. The result is the store's.
int SealUserInfo(HWND owner, const unsigned char *salt20, const unsigned char *userKeyBlock256, const char *password,
                 const char *vaultPath, const char *tokenPassword);

// Writes the vault information file of a newly formatted vault; shows nothing.
int SealVaultInfo(const char *vaultPath, const unsigned char *userKeyBlock256, const char *vaultInfoPath);

// Writes the recovery file (a new file) from the password and the three answers.
int SealRecoveryFile(HWND owner, const char *recoveryPath, const char *password,
                     const char answers[3][kAnswerFieldSize]);

// Puts the vault key into the driver's open request: cipher code, key length,
// the key in the next slot, key count + 1.
int LoadVaultKey(HWND owner, unsigned char *driverRecord, const char *password, int keyBlockLength,
                 const char *tokenPassword, int fromBackup);

// Program folder + "\Key\" + user name + ".vault"; 0 when it does not fit.
int VaultInfoPathOf(const char *userName, char *path, size_t pathSize);
