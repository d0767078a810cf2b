#include "keys/files/key_files.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"

KeysResult CheckUserIdentity(HWND owner, const char *password, const char *vaultPath, const char *tokenPassword,
                             const BackupChoice *backup) {
    unsigned char record[kUserInfoSize];
    KeysResult read = ReadUserInfo(owner, backup, tokenPassword, record, password, vaultPath);
    if (read.outcome != kKeysOk) return read;
    int accepted = UserInfoAcceptsPassword(record, password, vaultPath);
    SecureWipe(record, sizeof record);
    return KeysOutcomeOf(accepted ? kKeysOk : kKeysWrongPassword);
}
