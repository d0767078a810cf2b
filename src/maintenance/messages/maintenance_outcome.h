// How the user operations of maintenance ended: the creation of a user, the
// format of its vault, the password recovery and the backups. The
// maintenance message file turns each outcome into its box; kMaintenanceOk
// is success.
#pragma once
#include <string>

enum MaintenanceOutcome {
    kMaintenanceOk = 0,
    kMaintenanceUntold,  // stopped by the user in a dialog, or told already by a lower layer
    // The checks of the new-user page, in their order.
    kCreationNoVaultFolder,
    kCreationNoUserName,
    kCreationUserExists,
    kCreationNoPassword,
    kCreationNoReconfirm,
    kCreationPasswordsDiffer,
    // The steps of the creation.
    kCreationNotCreated,
    kCreationNotRegistered,
    kCreationNotFormatted,
    kCreationFailed,
    kCreationSplitBackupFailed,
    kCreationNotReopened,
    // The format of the new vault's drive.
    kFormatLibraryMissing,
    kFormatFailed,  // told by the creation as kCreationNotFormatted
    // The recovery questions at creation and the recovery of a password.
    kRecoveryAnswerMissing,
    kRecoveryAnswersRepeat,
    kRecoveryFileNotWritten,  // the system's text, then kRecoveryNotSaved
    kRecoveryNotSaved,
    kRecoveryNoUserName,
    kRecoveryFileNotFound,
    kRecoveryFileNotReadable,
    kRecoveryFileCorrupt,
    kRecoveryAnswersWrong,
    kPasswordRecovered,
    // The backup offered at creation.
    kSingleBackupWritten,
    kSingleBackupFailed,
    kSplitBackupWritten,
    kSplitBackupFailed,
    // The backups of the tray.
    kUserInfoBackupAfterBackupLogIn,
    kVaultBackupHoldsVault,
    kVaultBackupExists,  // asked about, never told
    kVaultBackupFailed,
    kMaintenanceOutcomeCount
};

struct MaintenanceResult {
    MaintenanceOutcome outcome;
    // The backup files a text names: user information, vault information,
    // then the same two of part 2.
    std::string files[4];
    std::string user;               // the user name a text names
    unsigned long systemError = 0;  // the last error behind the outcome, 0 when none
    // The recovered password kPasswordRecovered shows; the dialog that
    // shows it wipes it afterwards.
    std::string password;
};

inline MaintenanceResult MaintenanceOutcomeOf(MaintenanceOutcome outcome) {
    MaintenanceResult result;
    result.outcome = outcome;
    return result;
}
