#include "crypto/core/derive_key.h"
#include "keys/files/key_files.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"
#include "mount/core/open_request.h"

KeysResult ReadVaultKey(HWND owner, const char *password, int keyBlockLength, const char *tokenPassword,
                        const BackupChoice *backup, const char *vaultPath, unsigned char *vaultKey) {
    unsigned char record[kUserInfoSize];
    KeysResult read = ReadUserInfo(owner, backup, tokenPassword, record, password, vaultPath);
    if (read.outcome != kKeysOk) return read;
    unsigned char keyBlock[kUserKeyBlockSize];
    OpenUserKeyBlock(record, password, keyBlock);
    SecureWipe(record, sizeof record);
    if (keyBlockLength <= 0 || keyBlockLength > kUserKeyBlockSize) keyBlockLength = kUserKeyBlockSize;
    ComputeVaultKey(keyBlock, keyBlockLength, vaultKey);
    SecureWipe(keyBlock, sizeof keyBlock);
    return read;
}

KeysResult LoadVaultKey(HWND owner, unsigned char *driverRecord, const char *password, int keyBlockLength,
                        const char *tokenPassword, const BackupChoice *backup, const char *vaultPath) {
    unsigned char vaultKey[kVaultKeyLength];
    KeysResult read = ReadVaultKey(owner, password, keyBlockLength, tokenPassword, backup, vaultPath, vaultKey);
    if (read.outcome != kKeysOk) return read;
    int added = OpenRequestAddKey(driverRecord, vaultKey, sizeof vaultKey);
    SecureWipe(vaultKey, sizeof vaultKey);
    // A full key area is no case the user can act on: the caller's message covers it.
    return KeysOutcomeOf(added ? kKeysOk : kKeysUntold);
}

int LoadVaultKeyFromSource(void *vaultKeySource, HWND owner, unsigned char *keyArea) {
    VaultKeySource *source = static_cast<VaultKeySource *>(vaultKeySource);
    source->outcome = LoadVaultKey(owner, keyArea, source->password, kUserKeyBlockSize, source->tokenPassword,
                                   source->backup, source->vaultPath);
    return source->outcome.outcome == kKeysOk;
}
