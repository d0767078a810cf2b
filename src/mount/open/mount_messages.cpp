#include "mount/open/mount_messages.h"

OutcomeBox MountOutcomeBox(const MountResult &result) {
    DWORD error = result.systemError;
    switch (result.outcome) {
        case kMountOpened:
        case kMountKeyNotLoaded:
        case kMountOutcomeCount:
            return {kNoBox, "", 0};
        case kMountOpenedAsDriveOnly:
            return {kNoticeBox,
                    "Unable to determine path of your personal folder \"My Documents\".\n"
                    "The vault is open and accessible only as a drive, and not as a folder within \"My Documents\".",
                    0};
        case kMountDriverBusy:
            return {kWarningBox,
                    "Kovara driver is either in use or is not accessible.\nCheck that the vault may already be open.\n"
                    "Desired vault cannot be opened.",
                    0};
        case kMountDrivesNotListed:
            return {kSystemErrorBox, "Error while enumerating existing drives on the system.", error};
        case kMountNoFreeLetter:
            return {kWarningBox, "All drive letters on your system are already in use.\nVault cannot be opened.", 0};
        case kMountDeviceInUse:
            // The device answered: no system error lies behind this refusal.
            return {kWarningBox, "The vault device is either in use or is not accessible.", 0};
        case kMountDriveNotDefined:
            return {kSystemErrorBox, "There was error defining DOS drive.", error};
        case kMountVaultInUse:
            return {kSystemErrorBox, "The vault is either in use or not accessible.", error};
        case kMountRequestNotSent:
            return {kSystemErrorBox, "Unable to send open request to the vault driver.", error};
        case kMountNotRecorded:
            return {kSystemTextBox, "", error};
    }
    return {kNoBox, "", 0};
}

HWND MountOutcomeOwner(HWND owner, const MountResult &result) {
    return result.outcome == kMountOpenedAsDriveOnly ? NULL : owner;
}

void ShowMountOutcome(HWND owner, const MountResult &result) {
    ShowOutcomeBox(MountOutcomeOwner(owner, result), MountOutcomeBox(result));
}
