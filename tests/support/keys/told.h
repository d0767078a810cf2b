// The key operations show nothing themselves. A test that checks their boxes
// shows the result the way the vault manager does, and reads 1 for success.
#pragma once
#include <windows.h>

#include "keys/files/keys_messages.h"
#include "keys/log_in/log_in.h"

inline int Told(HWND owner, const KeysResult &result) {
    ShowKeysOutcome(owner, result);
    return result.outcome == kKeysOk;
}

inline int Told(HWND owner, const LogInResult &result) {
    ShowLogInOutcome(owner, result);
    return LoggedInBy(result);
}

// For CheckUserIdentity: only the read's own box, as a refused password is
// worded by the operation that asked.
inline int ToldIdentity(HWND owner, const KeysResult &result) {
    if (result.outcome != kKeysWrongPassword) ShowKeysOutcome(owner, result);
    return result.outcome == kKeysOk;
}
