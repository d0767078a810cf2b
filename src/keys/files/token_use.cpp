// The token steps of the key operations: authorising the token's use, and
// reading or storing the user information record in the token key object.
#include "keys/files/token_use.h"

#include <string.h>

#include "keys/files/key_files.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"

unsigned char g_userInfoBackupBuffer[kUserInfoSize];

int AuthoriseTokenUse(HWND owner, char *tokenPassword, size_t passwordSize) {
    g_token.useNotAuthorised = 1;
    char *block = RunAuthoriseTokenUseDialog(owner);
    if (!block) return 0;
    size_t length = strnlen(block, passwordSize);
    int ok = length < passwordSize;
    if (ok) memcpy(tokenPassword, block, length + 1);
    ReleaseTokenPassword(block);
    return ok;
}

int ReadUserInfoFromToken(HWND owner, const char *tokenPassword, unsigned char *record852, const char *password,
                          const char *vaultPath) {
    unsigned char values[2][kTokenKeySize];
    if (!OpenTokenSession(owner, tokenPassword)) return 0;
    int count = ReadTokenKeys(owner, values);
    CloseTokenSession();
    int chosen = 0;
    if (count == 2 && password && vaultPath && !UserInfoAcceptsPassword(values[0] + 3, password, vaultPath) &&
        UserInfoAcceptsPassword(values[1] + 3, password, vaultPath))
        chosen = 1;
    if (count) memcpy(record852, values[chosen] + 3, kUserInfoSize);
    SecureWipe(values, sizeof values);
    return count != 0;
}

int SealUserInfo(HWND owner, const unsigned char *salt20, const unsigned char *userKeyBlock256, const char *password,
                 const char *vaultPath, const char *tokenPassword) {
    unsigned char record[kUserInfoSize];
    if (!BuildUserInfo(salt20, userKeyBlock256, password, vaultPath, record)) return 0;
    memcpy(g_userInfoBackupBuffer, record, kUserInfoSize);
    int stored = StoreTokenKey(owner, record, tokenPassword);
    SecureWipe(record, sizeof record);
    return stored;
}
