// The user information, vault information and recovery files as the vault
// manager reads, checks and writes them. The reads and checks show nothing
// and return their outcome (the token's own steps show theirs); the writes
// return 1 or 0.
#pragma once
#include <windows.h>

#include "keys/core/backup_choice.h"
#include "keys/core/keys_outcome.h"

enum { kAnswerFieldSize = 101 };

// Receives a copy of every record built by SealUserInfo.
extern unsigned char g_userInfoBackupBuffer[852];

// Every read of the user information record below takes its source: the
// token (backup NULL, read with the token password) or the backup chosen for
// a log-in from backup (whole, or joined from its two parts). A token that
// holds two key objects gives the one password opens for vaultPath (when
// both are given), else the first.
KeysResult ReadUserInfo(HWND owner, const BackupChoice *backup, const char *tokenPassword, unsigned char *record852,
                        const char *password = nullptr, const char *vaultPath = nullptr);

// kKeysOk when the password opens the record and its identity names
// vaultPath, else kKeysWrongPassword or the read's outcome.
KeysResult CheckUserIdentity(HWND owner, const char *password, const char *vaultPath, const char *tokenPassword,
                             const BackupChoice *backup);

// Reads the vault information file of the user (Key folder), or the one of
// the backup when backup is set.
KeysResult CheckVaultInfo(HWND owner, const char *password, const char *vaultPath, const char *userName,
                          const char *tokenPassword, const BackupChoice *backup);

// Builds the record, keeps a copy in the backup buffer and stores it on the
// token. The result is the store's.
int SealUserInfo(HWND owner, const unsigned char *salt20, const unsigned char *userKeyBlock256, const char *password,
                 const char *vaultPath, const char *tokenPassword);

// Writes the vault information file of a newly formatted vault; shows nothing.
int SealVaultInfo(const char *vaultPath, const unsigned char *userKeyBlock256, const char *vaultInfoPath);

// Writes the recovery file (a new file) from the password and the three
// answers; shows nothing. 1 when written; 0 with the last error set when not.
int SealRecoveryFile(const char *recoveryPath, const char *password, const char answers[3][kAnswerFieldSize]);

// Reads the user information record from its source and derives into
// vaultKey (kVaultKeyLength bytes, the caller wipes it) the vault key from
// the first keyBlockLength bytes (1 to 256, else all) of the user key block
// the password opens. The result is the read's.
KeysResult ReadVaultKey(HWND owner, const char *password, int keyBlockLength, const char *tokenPassword,
                        const BackupChoice *backup, const char *vaultPath, unsigned char *vaultKey);

// Puts the vault key into the driver's open request: cipher code, key length,
// the key in the next slot, key count + 1.
KeysResult LoadVaultKey(HWND owner, unsigned char *driverRecord, const char *password, int keyBlockLength,
                        const char *tokenPassword, const BackupChoice *backup, const char *vaultPath = nullptr);

// What the open sequence's key loading needs to load a user's vault key.
struct VaultKeySource {
    const char *password;
    const char *tokenPassword;
    const BackupChoice *backup;       // NULL: the token
    const char *vaultPath = nullptr;  // picks the token's key object the password opens
    KeysResult outcome = {};          // set by the loading: why it failed, for the caller to tell
};
// The key loading function handed to the open sequence (the load of its
// KeyLoading), with a VaultKeySource as context: LoadVaultKey with the whole
// 256-byte key block, keeping its outcome in the source.
int LoadVaultKeyFromSource(void *vaultKeySource, HWND owner, unsigned char *keyArea);

// Program folder + "\Key\" + user name + ".vault"; 0 when it does not fit.
int VaultInfoPathOf(const char *userName, char *path, size_t pathSize);
