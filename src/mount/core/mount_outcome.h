// How the open sequence ended. The mount message file turns each outcome
// into its box; kMountOpened and kMountOpenedAsDriveOnly are success.
#pragma once

enum MountOutcome {
    kMountOpened = 0,
    kMountOpenedAsDriveOnly,  // open, but "My Documents" is unknown: no shortcut
    kMountDriverBusy,
    kMountDrivesNotListed,
    kMountNoFreeLetter,
    kMountKeyNotLoaded,  // the key loading keeps its own outcome
    kMountDeviceInUse,
    kMountDriveNotDefined,
    kMountVaultInUse,
    kMountRequestNotSent,
    kMountNotRecorded,  // OpenVault could not be written; the vault was locked again
    kMountOutcomeCount
};

struct MountResult {
    MountOutcome outcome;
    unsigned long systemError;  // the last error behind the outcome, 0 when none
};

inline bool MountOpened(const MountResult &result) {
    return result.outcome == kMountOpened || result.outcome == kMountOpenedAsDriveOnly;
}
