#include <string.h>

#include "token/operations/registered_tokens.h"
#include "token/operations/token_message_box.h"
#include "token/core/token_messages.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"

static void ShowOutcome(HWND owner, TokenMessageContext context, TokenOutcome outcome, const char *name,
                        const char *path) {
    TokenMessageArgs args = {name, path, "", "", nullptr};
    std::string text = TokenMessage(context, outcome, args);
    if (text.empty()) return;
    // The memory message of the binding has no owner window.
    TokenWarning(outcome == kTokenNoMemory ? nullptr : owner, text);
}

int TestTokenLibrary(HWND owner, const char *name, const char *path) {
    TokenOutcome outcome = ProbeTokenLibrary(path);
    ShowOutcome(owner, kTestingLibrary, outcome, name, path);
    return outcome == kTokenOk;
}

static int AskForToken(void *owner, const TokenIdentity *token) {
    return TokenQuestion((HWND)owner, TokenChoiceQuestion(*token));
}

int SelectToken(HWND owner, const char *name) {
    if (!LookUpTokenLibrary(name)) {
        TokenWarning(owner, TokenNotRegisteredMessage(name));
        return 0;
    }
    TokenIdentity chosen;
    TokenOutcome outcome = IdentifyToken(g_token.selected.libraryPath, AskForToken, (void *)owner, &chosen);
    ShowOutcome(owner, kSelectingToken, outcome, g_token.selected.name, g_token.selected.libraryPath);
    if (outcome != kTokenOk) return 0;
    memcpy(g_token.selected.manufacturerId, chosen.manufacturerId, sizeof g_token.selected.manufacturerId);
    memcpy(g_token.selected.serialNumber, chosen.serialNumber, sizeof g_token.selected.serialNumber);
    return 1;
}
