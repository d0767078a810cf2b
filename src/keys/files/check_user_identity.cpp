#include "keys/files/key_files.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"

int CheckUserIdentity(HWND owner, const char *password, const char *vaultPath, const char *tokenPassword,
                      const BackupChoice *backup) {
    unsigned char record[kUserInfoSize];
    if (!ReadUserInfo(owner, backup, tokenPassword, record, password, vaultPath)) return 0;
    int accepted = UserInfoAcceptsPassword(record, password, vaultPath);
    SecureWipe(record, sizeof record);
    return accepted;
}
