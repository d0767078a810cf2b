// How the key operations ended: the log-ins, the checks of the key files they
// make, and the change of password. The keys message file turns each outcome
// into its box; kKeysOk is success.
#pragma once
#include <string>

enum KeysOutcome {
    kKeysOk = 0,
    kKeysUntold,         // stopped by the user in a dialog, or covered by the caller's own message
    kKeysToldByToken,    // a token operation failed and has shown its message
    kKeysWrongPassword,  // user name and password do not open the record
    // The log-in page.
    kLogInFieldsMissing,
    kLogInNoUserName,
    kLogInNoPassword,
    kLogInVaultNotRegistered,
    kLogInVaultNotAccessible,
    kLogInVaultSizeUnknown,
    kLogInVaultCorrupt,
    kLogInWrongSplitParts,
    kLogInNotOpened,  // after the open sequence's or the key loading's own message
    // The vault and its vault information file.
    kVaultNotAccessible,
    kBackupVaultNotReadable,
    kBackupVaultNotAccessible,
    kVaultCheckFailed,
    kVaultInfoNotFound,
    kVaultInfoNotAccessible,
    kVaultInfoCorrupt,
    kBackupVaultInfoNotAccessible,
    kBackupVaultInfoWrongSize,
    kVaultInfoNotRead,
    // The user information backup a log-in from backup reads.
    kBackupUserInfoNotAccessible,
    kBackupUserInfoCorrupt,
    // The change of password.
    kChangeVaultNotRegistered,
    kChangeVaultNotFound,
    kChangeWrongPassword,
    kKeysOutcomeCount
};

struct KeysResult {
    KeysOutcome outcome;
    unsigned long systemError;  // the last error behind the outcome, 0 when none
    std::string user;           // the user name the text names
    std::string part;           // " [Part 1]", " [Part 2]" or "" for a backup file
};

inline KeysResult KeysOutcomeOf(KeysOutcome outcome, const std::string &user = std::string(),
                                unsigned long systemError = 0) {
    return {outcome, systemError, user, std::string()};
}
