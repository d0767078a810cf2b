#include "token/token_key_keep.h"

#include <string.h>

#include "crypto/secure_wipe.h"
#include "token/token_message_box.h"
#include "token/token_operations.h"
#include "token/token_session_core.h"
#include "token/token_state.h"

int ReadTokenRecordQuietly(HWND owner, const char *password, unsigned char *record852) {
    SecureWipe(g_tokenKeyBuffer, sizeof g_tokenKeyBuffer);
    if (!OpenTokenSession(owner, password)) return -1;
    int held = ReadTokenKey(owner, kTokenKeySize, 1);
    CloseTokenSession();
    if (held) memcpy(record852, g_tokenKeyBuffer + 3, kTokenRecordSize);
    SecureWipe(g_tokenKeyBuffer, sizeof g_tokenKeyBuffer);
    return held;
}

// The old record goes back without messages of its own: the caller's one
// summary says what the token holds afterwards.
static int PutBack(const unsigned char *oldRecord, const char *password) {
    TokenIdentity connected;
    memset(&connected, 0, sizeof connected);
    if (OpenSessionOnToken(g_selectedToken.libraryPath, g_selectedToken.manufacturerId, g_selectedToken.serialNumber,
                           password, &g_tokenBinding, &connected) != kTokenOk)
        return 0;
    int stored = CreateTokenKeyObject(&g_tokenBinding, oldRecord) == kTokenOk;
    CloseTokenSession();
    return stored;
}

int StoreTokenKeyOrPutBack(HWND owner, const unsigned char *newRecord, const unsigned char *oldRecord,
                           const char *password, const char *unchangedText, const char *lostText) {
    if (StoreTokenKey(owner, newRecord, password)) return 1;
    if (oldRecord && PutBack(oldRecord, password))
        TokenWarning(owner, unchangedText);
    else
        TokenWarning(owner, lostText);
    return 0;
}
