#include "maintenance/messages/maintenance_messages.h"

#include <string>

#include "crypto/core/secure_wipe.h"
#include "maintenance/messages/support_address.h"

namespace {

OutcomeBox Warning(const std::string &text) { return {kWarningBox, text, 0}; }
OutcomeBox Notice(const std::string &text) { return {kNoticeBox, text, 0}; }

// The box that shows a recovered password, built in one buffer so that no
// copy of the password is left behind unwiped but the box's own text.
OutcomeBox RecoveredPasswordBox(const std::string &password) {
    static const char kHead[] = "Password was recovered successfully!\nPassword: ";
    OutcomeBox box = {kNoticeBox, std::string(), 0};
    box.text.reserve(sizeof kHead + password.size());
    box.text += kHead;
    box.text += password;
    return box;
}

}  // namespace

OutcomeBox MaintenanceOutcomeBox(const MaintenanceResult &r) {
    const std::string *f = r.files;
    switch (r.outcome) {
        case kMaintenanceOk:
        case kMaintenanceUntold:
        case kVaultBackupExists:
        case kFormatFailed:
        case kMaintenanceOutcomeCount:
            return {kNoBox, "", 0};
        case kCreationNoVaultFolder:
            return Warning(
                "Vault sub-folder not found in program folder."
                "\nEither this folder was removed or is not accessible.");
        case kCreationNoUserName:
            return Warning("Please enter a Username.");
        case kCreationUserExists:
            return Warning("Selected Username exists.\nSelect some other Username.");
        case kCreationNoPassword:
            return Warning("Please enter a Password.");
        case kCreationNoReconfirm:
            return Warning("Please enter a Reconfirm Password.");
        case kCreationPasswordsDiffer:
            return Warning("Two given passwords do not match.");
        case kCreationNotCreated:
            return Warning("Error creating new user.\nTry Again.");
        case kCreationNotRegistered:
            return Warning(
                "Unable to create program registry entry.\nCheck your user permissions on this system."
                "\nNew user can not be created.");
        case kCreationNotFormatted:
            return Warning(
                "The vault was not formatted.\nTo successfully create a user, the vault must be formatted "
                "after creation.\n\nUser not created.");
        case kCreationFailed:
            return Warning("There was error creating new user.");
        case kCreationSplitBackupFailed:
            return Warning("There was error creating split backup.\nNew user creation aborted.");
        case kCreationNotReopened:
            return Warning(
                "There was error opening the vault.\nNew User Creation aborted."
                "\n\nClose program, relaunch program then create new user.");
        case kFormatLibraryMissing:
            return Warning(
                std::string("Operating System library file \"fmifs.dll\" not found.\nSecure storage for the vault "
                            "can not be created.\n\nFor any questions contact ") +
                SupportAddress());
        case kRecoveryAnswerMissing:
            return Warning("You must answer all the questions.");
        case kRecoveryAnswersRepeat:
            return Warning("No two answers can be the same.");
        case kRecoveryFileNotWritten:
            return {kSystemTextBox, "", r.systemError};
        case kRecoveryNotSaved:
            return Warning("There was error saving Password Recovery Information.");
        case kRecoveryNoUserName:
            return Warning("You must enter your Username.");
        case kRecoveryFileNotFound:
            return Warning("Password Recovery Information for user " + r.user + " not found.");
        case kRecoveryFileNotReadable:
            return {kSystemTextBox, "", r.systemError};
        case kRecoveryFileCorrupt:
            return {kErrorBox,
                    "Password Recovery Information file for user " + r.user + " may be corrupt." +
                        "\nPassword cannot be recovered.",
                    0};
        case kRecoveryAnswersWrong:
            return Warning("Your answers were found incorrect.\nPassword can not be revealed.");
        case kPasswordRecovered:
            return RecoveredPasswordBox(r.password);
        case kSingleBackupWritten:
            return Notice(std::string("Backup created successfully!") + "\n\nUser Information Backup File:\n" + f[0] +
                          "\n\nVault Information Backup File:\n" + f[1]);
        case kSingleBackupFailed:
            return Warning("Error creating backup.\nYou can make a backup after log-in.");
        case kSplitBackupWritten:
            return Notice(std::string("Split Backup created successfully!") +
                          "\n\nPart 1 comprises of files:" + "\n1: " + f[0] + "\n2: " + f[1] +
                          "\n\nPart 2 comprises of files:" + "\n1: " + f[2] + "\n2: " + f[3]);
        case kSplitBackupFailed:
            return Warning("Error creating backup.");
        case kUserInfoBackupAfterBackupLogIn:
            return Notice(
                "You have already logged in using backup.\nTo create more backup copies, copy "
                "the backup files that you used to log in to locations of your choice.");
        case kVaultBackupHoldsVault:
            return Warning(
                "The selected location holds the vault itself."
                "\n\nSelect some other location for the vault backup.");
        case kVaultBackupFailed:
            return Warning("There was error making a backup.");
    }
    return {kNoBox, "", 0};
}

void ShowMaintenanceOutcome(HWND owner, const MaintenanceResult &result) {
    OutcomeBox box = MaintenanceOutcomeBox(result);
    ShowOutcomeBox(owner, box);
    // The box of a recovered password holds the password.
    if (result.outcome == kPasswordRecovered && !box.text.empty()) SecureWipe(&box.text[0], box.text.size());
}
