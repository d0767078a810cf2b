#include <string.h>

#include "token/operations/token_message_box.h"
#include "token/core/token_messages.h"
#include "token/operations/token_operations.h"
#include "token/core/token_session_core.h"
#include "token/operations/token_state.h"

static TokenMessageArgs SelectedArgs(const TokenIdentity *connected) {
    TokenMessageArgs args = {g_token.selected.name, g_token.selected.libraryPath, g_token.selected.manufacturerId,
                             g_token.selected.serialNumber, connected};
    return args;
}

int OpenTokenSession(HWND owner, const char *password) {
    TokenIdentity connected;
    memset(&connected, 0, sizeof connected);
    TokenOutcome outcome = OpenSessionOnToken(g_token.selected.libraryPath, g_token.selected.manufacturerId,
                                              g_token.selected.serialNumber, password, &g_token.binding, &connected);
    if (outcome == kTokenOk) return 1;
    TokenWarning(owner, TokenMessage(kOpeningSession, outcome, SelectedArgs(&connected)));
    return 0;
}

void CloseTokenSession() { CloseSessionOnToken(&g_token.binding); }

int ReadTokenKey(HWND owner, unsigned long expectedLength, int silent) {
    if (expectedLength != kTokenKeySize) return 0;  // the buffer holds one token key value
    TokenOutcome outcome = ReadTokenKeyValue(&g_token.binding, expectedLength, g_token.keyBuffer);
    if (outcome == kTokenOk) return 1;
    if (!silent)
        TokenWarning(outcome == kTokenNoKeyObject ? nullptr : owner,
                     TokenMessage(kReadingKey, outcome, SelectedArgs(nullptr)));
    return 0;
}

int ReadTokenKeys(HWND owner, unsigned char values[2][kTokenKeySize]) {
    int count = 0;
    TokenOutcome outcome = ReadTokenKeyValues(&g_token.binding, values, &count);
    if (outcome == kTokenOk) return count;
    TokenWarning(outcome == kTokenNoKeyObject ? nullptr : owner, TokenMessage(kReadingKey, outcome, SelectedArgs(nullptr)));
    return 0;
}

int WriteTokenKey(HWND owner, const unsigned char *record852) {
    TokenOutcome outcome = CreateTokenKeyObject(&g_token.binding, record852);
    if (outcome == kTokenOk) return 1;
    TokenWarning(owner, TokenMessage(kWritingKey, outcome, SelectedArgs(nullptr)));
    return 0;
}

int StoreTokenKey(HWND owner, const unsigned char *record852, const char *password) {
    if (!OpenTokenSession(owner, password)) return 0;
    int stored = WriteTokenKey(owner, record852);
    CloseTokenSession();
    return stored;
}
