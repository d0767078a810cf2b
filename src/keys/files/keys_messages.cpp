#include "keys/files/keys_messages.h"

#include <string>

namespace {

const char kCheckVaultFile[] = "\nEnsure you have selected the correct Vault File Name.";
const char kCheckVaultInfoFile[] = "\nEnsure you have selected the correct Vault Information File.";

OutcomeBox Warning(const std::string &text) { return {kWarningBox, text, 0}; }

}  // namespace

OutcomeBox KeysOutcomeBox(const KeysResult &r) {
    const std::string &user = r.user;
    switch (r.outcome) {
        case kKeysOk:
        case kKeysUntold:
        case kKeysToldByToken:
        case kKeysOutcomeCount:
            return {kNoBox, "", 0};
        case kKeysWrongPassword:
            return Warning("Either Username or Password is incorrect.");
        case kLogInFieldsMissing:
            return Warning("All fields must be entered.");
        case kLogInNoUserName:
            return Warning("Please enter Username.");
        case kLogInNoPassword:
            return Warning("Please enter Password.");
        case kLogInVaultNotRegistered:
            return Warning("The vault for user \"" + user + "\" not found." +
                           "\n\nIf you entered wrong username, then correct it." +
                           "\nElse if you changed Windows registry settings for Kovara, " +
                           "\nthen restore the settings before login.");
        case kLogInVaultNotAccessible:
            return Warning("The registered vault for user \"" + user +
                           "\", either cannot be found or is not accessible."
                           "\nIf you entered wrong username, then correct it."
                           "\nElse If you changed the vault location then restore it.");
        case kLogInVaultSizeUnknown:
            return {kSystemErrorBox,
                    "The vault for user \"" + user + "\", either cannot be found or is not accessible.", r.systemError};
        case kLogInVaultCorrupt:
            return Warning("The vault data for user \"" + user + "\", is corrupt.\nThe vault cannot be opened.");
        case kLogInWrongSplitParts:
            return Warning(
                "Either Username or Password is incorrect.\nEnsure that you selected backup part 1 "
                "as [Part 1] and backup part2 as [Part 2].");
        case kLogInNotOpened:
            return Warning("There was error opening the vault.");
        case kVaultNotAccessible:
            return Warning("Vault for user " + user + " either not found or not accessible.");
        case kBackupVaultNotReadable:
            return Warning(std::string("The selected vault file is either in user or not accessible.") +
                           kCheckVaultFile);
        case kBackupVaultNotAccessible:
            return Warning(std::string("The selected vault file is either in use or not accessible.") +
                           kCheckVaultFile);
        case kVaultCheckFailed:
            return Warning("Unexpected error.\nTry Again.");
        case kVaultInfoNotFound:
            return Warning("Vault Information file for user " + user + " not found.");
        case kVaultInfoNotAccessible:
            return Warning("Vault Information file for user " + user + " either not found or not accessible.");
        case kVaultInfoCorrupt:
            return Warning(
                "The Vault Information file for user " + user +
                " may be either corrupt or not accessible.\nIf you have a backup, then restore from backup.");
        case kBackupVaultInfoNotAccessible:
            return Warning(std::string("The selected vault information file is either in use or not accessible.") +
                           kCheckVaultInfoFile);
        case kBackupVaultInfoWrongSize:
            return Warning(std::string("The selected vault information file either does not contain data "
                                       "or its size is incorrect.") +
                           kCheckVaultInfoFile);
        case kVaultInfoNotRead:
            return Warning(
                "There was error reading Vault Information File.\n"
                "The file may be either corrupt or is not accessible.");
        case kBackupUserInfoNotAccessible:
            return {kSystemErrorBox, "The selected Backup of User Information File" + r.part + " is not accessible.",
                    r.systemError};
        case kBackupUserInfoCorrupt:
            return Warning("The selected Backup of User Information File" + r.part + " is corrupt! ");
        case kChangeVaultNotRegistered:
            return Warning("The vault for user \"" + user + "\" cannot be found." +
                           "\nIf you entered wrong username, then correct it." +
                           "\nElse If you changed Windows registry settings for Kovara, " +
                           "\nthen restore the settings before changing password.");
        case kChangeVaultNotFound:
            return Warning("Vault for user " + user + " not found.");
        case kChangeWrongPassword:
            return Warning("Either username or password is incorrect.");
    }
    return {kNoBox, "", 0};
}

void ShowKeysOutcome(HWND owner, const KeysResult &result) { ShowOutcomeBox(owner, KeysOutcomeBox(result)); }

TokenKeyTexts PasswordChangeTokenKeyTexts() {
    static const char kUnchanged[] =
        "The new password could not be stored on the token."
        "\nThe key the token held before was stored back: nothing was changed, "
        "your old password stays valid.";
    static const char kLost[] =
        "The new password could not be stored on the token, and the key it held before could not "
        "be stored back."
        "\nThe token holds no key now: restore your token key backup on the token before you log in.";
    return TokenKeyTexts{kUnchanged, kLost};
}
