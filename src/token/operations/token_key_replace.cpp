#include "token/operations/token_key_keep.h"
#include "token/operations/token_message_box.h"
#include "token/core/token_messages.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"

static const char kUserKeyQuestion[] =
    "A user key exists on the token."
    "\n\nWARNING:"
    "\nTo create a new key on the connected token, "
    "the existing key shall be deleted."
    "\nOnce deleted, unless you have a backup of this "
    "existing key, you will not be able to open "
    "the vaults created with this existing key."
    "\n\nDelete this existing and create new key?";
static const char kSureQuestion[] = "ARE YOU SURE TO DELETE THE EXISTING KEY?";
static const char kOtherKeyQuestion[] =
    "A key found on the token has the same label "
    "as a Kovara key."
    "\nHowever, this is not a Kovara key."
    "\n\nTo create a new Kovara key on the "
    "connected token, the existing key shall be deleted."
    "\nDelete this existing and create new key?";

static int Fail(HWND owner, const std::string &text) {
    TokenWarning(owner, text);
    CloseTokenSession();
    return 0;
}

// Opens a session and finds the first key object. Returns 1 with *found set
// (0: the token holds none and the session is closed; 1: handle and length
// set, session open) or 0 after a message with everything closed.
static int FindKey(HWND owner, const char *password, TokenMessageContext context, int *found, CK_OBJECT_HANDLE *handle,
                   size_t *length) {
    if (!OpenTokenSession(owner, password)) return 0;
    TokenOutcome outcome = FindExistingTokenKey(&g_token.binding, handle, length);
    if (outcome == kTokenNoKeyObject) {
        CloseTokenSession();
        *found = 0;
        return 1;
    }
    if (outcome != kTokenOk) {
        TokenMessageArgs args = {"", "", "", "", nullptr};
        return Fail(owner, TokenMessage(context, outcome, args));
    }
    *found = 1;
    return 1;
}

int AgreeToReplaceTokenKey(HWND owner, size_t valueLength, unsigned long expectedLength) {
    // The length alone marks a user key: ask twice.
    if (valueLength == expectedLength)
        return TokenWarningQuestion(owner, kUserKeyQuestion) && TokenWarningQuestion(owner, kSureQuestion);
    return TokenWarningQuestion(owner, kOtherKeyQuestion);
}

int PrepareTokenForNewKey(HWND owner, const char *password, unsigned long expectedLength) {
    int found = 0;
    CK_OBJECT_HANDLE handle = 0;
    size_t length = 0;
    if (!FindKey(owner, password, kPreparingToken, &found, &handle, &length)) return 0;
    if (!found) return 1;
    if (!AgreeToReplaceTokenKey(owner, length, expectedLength)) {
        CloseTokenSession();
        return 0;
    }
    if (DestroyTokenKeyObject(&g_token.binding, handle) != kTokenOk)
        return Fail(owner, length == expectedLength ? "Failed to delete existing key object on the token."
                                                    : "Failed to delete the existing key object from the token.");
    CloseTokenSession();
    return 1;
}

int DeleteTokenKey(HWND owner, const char *password) {
    int found = 0;
    CK_OBJECT_HANDLE handle = 0;
    size_t length = 0;
    if (!FindKey(owner, password, kDeletingKey, &found, &handle, &length)) return 0;
    if (!found) return 1;
    if (DestroyTokenKeyObject(&g_token.binding, handle) != kTokenOk)
        return Fail(owner, "Failed to delete existing key object on the token.");
    CloseTokenSession();
    return 1;
}
