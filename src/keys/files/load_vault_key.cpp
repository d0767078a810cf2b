#include "crypto/core/derive_key.h"
#include "keys/files/key_files.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"
#include "mount/core/open_request.h"

int LoadVaultKey(HWND owner, unsigned char *driverRecord, const char *password, int keyBlockLength,
                 const char *tokenPassword, const BackupChoice *backup, const char *vaultPath) {
    unsigned char record[kUserInfoSize];
    if (!ReadUserInfo(owner, backup, tokenPassword, record, password, vaultPath)) return 0;
    unsigned char keyBlock[kUserKeyBlockSize];
    OpenUserKeyBlock(record, password, keyBlock);
    SecureWipe(record, sizeof record);
    if (keyBlockLength <= 0 || keyBlockLength > kUserKeyBlockSize) keyBlockLength = kUserKeyBlockSize;
    unsigned char vaultKey[kVaultKeyLength];
    ComputeVaultKey(keyBlock, keyBlockLength, vaultKey);
    SecureWipe(keyBlock, sizeof keyBlock);
    int added = OpenRequestAddKey(driverRecord, vaultKey, sizeof vaultKey);
    SecureWipe(vaultKey, sizeof vaultKey);
    return added;
}

int LoadVaultKeyFromSource(void *vaultKeySource, HWND owner, unsigned char *keyArea) {
    const VaultKeySource *source = static_cast<const VaultKeySource *>(vaultKeySource);
    return LoadVaultKey(owner, keyArea, source->password, kUserKeyBlockSize, source->tokenPassword, source->backup,
                        source->vaultPath);
}
