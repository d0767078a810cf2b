#include "token/operations/token_key_keep.h"

#include <stdlib.h>
#include <string.h>

#include "crypto/core/secure_wipe.h"
#include "token/operations/token_key_backup.h"
#include "token/operations/token_message_box.h"
#include "token/core/token_messages.h"
#include "token/operations/token_operations.h"
#include "token/core/token_session_core.h"
#include "token/operations/token_state.h"

int ReadTokenRecordQuietly(HWND owner, const char *password, unsigned char *record852) {
    SecureWipe(g_token.keyBuffer, sizeof g_token.keyBuffer);
    if (!OpenTokenSession(owner, password)) return -1;
    int held = ReadTokenKey(owner, kTokenKeySize, 1);
    CloseTokenSession();
    if (held) memcpy(record852, g_token.keyBuffer + 3, kTokenRecordSize);
    SecureWipe(g_token.keyBuffer, sizeof g_token.keyBuffer);
    return held;
}

namespace {

const char kDeleteFailed[] = "Failed to delete existing key object on the token.";

// The key objects the token held, each with its whole value: the copy that
// goes back when the new key cannot be stored.
struct HeldKeys {
    struct Key {
        CK_OBJECT_HANDLE handle;
        unsigned char *value;
        size_t length;
        int destroyed;
    } keys[2];
    int count = 0;

    ~HeldKeys() {
        for (int i = 0; i < count; i++) {
            SecureWipe(keys[i].value, keys[i].length);
            free(keys[i].value);
        }
    }

    TokenOutcome Read() {
        CK_OBJECT_HANDLE handles[2];
        int found = 0;
        TokenOutcome outcome = FindTokenKeyObjects(&g_token.binding, handles, &found);
        if (outcome == kTokenNoKeyObject) return kTokenOk;
        for (int i = 0; outcome == kTokenOk && i < found; i++) {
            Key &key = keys[count];
            key.handle = handles[i];
            key.destroyed = 0;
            outcome = ReadTokenObjectValue(&g_token.binding, handles[i], &key.value, &key.length);
            if (outcome == kTokenOk) count++;
        }
        return outcome;
    }

    // Destroys the held objects in order; 0 at the first that stays.
    int DestroyAll() {
        for (int i = 0; i < count; i++) {
            if (DestroyTokenKeyObject(&g_token.binding, keys[i].handle) != kTokenOk) return 0;
            keys[i].destroyed = 1;
        }
        return 1;
    }

    int AnyDestroyed() const {
        for (int i = 0; i < count; i++)
            if (keys[i].destroyed) return 1;
        return 0;
    }

    // Stores the destroyed objects back as they were; each one stored back is
    // no longer counted as destroyed. 1 when none is missing.
    int PutBack() {
        int all = 1;
        for (int i = 0; i < count; i++) {
            if (!keys[i].destroyed) continue;
            if (CreateTokenObjectWithValue(&g_token.binding, keys[i].value, keys[i].length, nullptr) == kTokenOk)
                keys[i].destroyed = 0;
            else
                all = 0;
        }
        return all;
    }
};

void Warn(HWND owner, TokenMessageContext context, TokenOutcome outcome) {
    TokenMessageArgs args = {g_token.selected.name, g_token.selected.libraryPath, g_token.selected.manufacturerId,
                             g_token.selected.serialNumber, nullptr};
    TokenWarning(owner, TokenMessage(context, outcome, args));
}

// No room for a second object: the old ones go first and come back when the
// new one still cannot be stored. Runs in the open session and closes it.
int ReplaceInPlace(HWND owner, const unsigned char *newRecord, HeldKeys *held, const TokenKeyTexts &texts) {
    int allDestroyed = held->DestroyAll();
    if (!held->AnyDestroyed()) {
        TokenWarning(owner, kDeleteFailed);
        CloseTokenSession();
        return 0;
    }
    TokenOutcome outcome = CreateTokenKeyObject(&g_token.binding, newRecord);
    if (outcome == kTokenOk) {
        // An old object the token would not destroy stays beside the new one;
        // the readers try each with the password.
        if (!allDestroyed) TokenWarning(owner, kDeleteFailed);
        CloseTokenSession();
        return 1;
    }
    Warn(owner, kWritingKey, outcome);
    int whole = held->PutBack();
    CloseTokenSession();
    if (whole) {
        TokenWarning(owner, texts.unchanged);
        return 0;
    }
    TokenWarning(owner, texts.lost);
    // The records of the keys that could not go back exist only here now.
    for (int i = 0; i < held->count; i++) {
        const HeldKeys::Key &key = held->keys[i];
        if (key.destroyed && CheckTokenKeyValue(key.value, key.length, kTokenKeySize) == kTokenOk)
            OfferToSaveLastKeyCopy(owner, key.value + 3);
    }
    return 0;
}

}  // namespace

int ReplaceTokenKey(HWND owner, const char *password, const unsigned char *newRecord, int ask,
                    const TokenKeyTexts &texts) {
    if (!OpenTokenSession(owner, password)) return 0;
    HeldKeys held;
    TokenOutcome outcome = held.Read();
    if (outcome != kTokenOk) {
        Warn(owner, ask ? kPreparingToken : kDeletingKey, outcome);
        CloseTokenSession();
        return 0;
    }
    if (ask && held.count && !AgreeToReplaceTokenKey(owner, held.keys[0].length, kTokenKeySize)) {
        CloseTokenSession();
        return 0;
    }
    CK_OBJECT_HANDLE created = 0;
    outcome = CreateTokenKeyObject(&g_token.binding, newRecord, &created);
    if (outcome == kTokenDeviceMemory && held.count) return ReplaceInPlace(owner, newRecord, &held, texts);
    if (outcome != kTokenOk) {
        Warn(owner, kWritingKey, outcome);
        CloseTokenSession();
        if (held.count) TokenWarning(owner, texts.unchanged);
        return 0;
    }
    // An old object the token would not destroy stays beside the new one;
    // the readers try each with the password.
    if (!held.DestroyAll()) TokenWarning(owner, kDeleteFailed);
    CloseTokenSession();
    return 1;
}
