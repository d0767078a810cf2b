#include "keys/change_password/change_password.h"

#include <string.h>

#include "keys/files/keys_messages.h"
#include "keys/files/token_use.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"
#include "maintenance/registry/registry_settings.h"
#include "token/operations/token_key_keep.h"
#include "token/operations/token_operations.h"

namespace {

// The new record: old bytes 0-595 followed by the key block sealed under the
// new password with the same salt.
void ResealRecord(const unsigned char *oldRecord, const char *oldPassword, const char *newPassword,
                  unsigned char *newRecord) {
    unsigned char keyBlock[kUserKeyBlockSize];
    unsigned char key[kBlowfishKeySize];
    OpenUserKeyBlock(oldRecord, oldPassword, keyBlock);
    DeriveSealingKey(newPassword, oldRecord + kRecordSaltOffset, key);
    BlowfishSeal(key, keyBlock, kUserKeyBlockSize);
    memcpy(newRecord, oldRecord, kSealedKeyOffset);
    memcpy(newRecord + kSealedKeyOffset, keyBlock, kUserKeyBlockSize);
    SecureWipe(keyBlock, sizeof keyBlock);
    SecureWipe(key, sizeof key);
}

}  // namespace

KeysResult ChangePassword(HWND owner, const char *oldPassword, const char *newPassword, const char *userName,
                          const char *tokenPassword) {
    char vaultPath[kPathSize];
    if (!FindVault(userName, vaultPath, sizeof vaultPath)) return KeysOutcomeOf(kChangeVaultNotRegistered, userName);
    if (GetFileAttributesA(vaultPath) == INVALID_FILE_ATTRIBUTES) return KeysOutcomeOf(kChangeVaultNotFound, userName);
    unsigned char oldRecord[kUserInfoSize];
    if (!ReadUserInfoFromToken(owner, tokenPassword, oldRecord, oldPassword, vaultPath))
        return KeysOutcomeOf(kKeysToldByToken);
    KeysResult result = KeysOutcomeOf(kKeysOk);
    if (!UserInfoAcceptsPassword(oldRecord, oldPassword, vaultPath)) {
        result = KeysOutcomeOf(kChangeWrongPassword);
    } else {
        unsigned char newRecord[kUserInfoSize];
        ResealRecord(oldRecord, oldPassword, newPassword, newRecord);
        if (!ReplaceTokenKey(owner, tokenPassword, newRecord, 0, PasswordChangeTokenKeyTexts()))
            result = KeysOutcomeOf(kKeysToldByToken);
        SecureWipe(newRecord, sizeof newRecord);
    }
    SecureWipe(oldRecord, sizeof oldRecord);
    return result;
}
