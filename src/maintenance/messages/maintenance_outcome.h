// How the user operations of maintenance ended: the creation of a user and
// the backups. The maintenance message file turns each outcome into its box;
// kMaintenanceOk is success.
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
};

inline MaintenanceResult MaintenanceOutcomeOf(MaintenanceOutcome outcome) {
    MaintenanceResult result;
    result.outcome = outcome;
    return result;
}
