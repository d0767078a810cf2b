#include "keys/change_password/change_password.h"

#include <string.h>

#include <string>

#include "shell/ui/message_box.h"
#include "keys/files/token_use.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"
#include "maintenance/registry/registry_settings.h"
#include "token/operations/token_key_keep.h"
#include "token/operations/token_operations.h"

namespace {

const char kUnchanged[] =
    "The new password could not be stored on the token."
    "\nThe key the token held before was stored back: nothing was changed, "
    "your old password stays valid.";
const char kLost[] =
    "The new password could not be stored on the token, and the key it held before could not "
    "be stored back."
    "\nThe token holds no key now: restore your token key backup on the token before you log in.";

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

int ChangePassword(HWND owner, const char *oldPassword, const char *newPassword, const char *userName,
                   const char *tokenPassword) {
    char vaultPath[kPathSize];
    if (!FindVault(userName, vaultPath, sizeof vaultPath)) {
        std::string text = std::string("The vault for user \"") + userName + "\" cannot be found." +
                           "\nIf you entered wrong username, then correct it." +
                           "\nElse If you changed Windows registry settings for Kovara, " +
                           "\nthen restore the settings before changing password.";
        ShowMessageBox(owner, text.c_str());
        return 0;
    }
    if (GetFileAttributesA(vaultPath) == INVALID_FILE_ATTRIBUTES) {
        std::string text = std::string("Vault for user ") + userName + " not found.";
        ShowMessageBox(owner, text.c_str());
        return 0;
    }
    unsigned char oldRecord[kUserInfoSize];
    if (!ReadUserInfoFromToken(owner, tokenPassword, oldRecord, oldPassword, vaultPath)) return 0;
    int changed = 0;
    if (!UserInfoAcceptsPassword(oldRecord, oldPassword, vaultPath)) {
        ShowMessageBox(owner, "Either username or password is incorrect.");
    } else {
        unsigned char newRecord[kUserInfoSize];
        ResealRecord(oldRecord, oldPassword, newPassword, newRecord);
        changed = ReplaceTokenKey(owner, tokenPassword, newRecord, 0, TokenKeyTexts{kUnchanged, kLost});
        SecureWipe(newRecord, sizeof newRecord);
    }
    SecureWipe(oldRecord, sizeof oldRecord);
    return changed;
}
