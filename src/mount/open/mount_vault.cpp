#include "mount/open/mount_vault.h"

#include <stdlib.h>
#include <string.h>

#include "crypto/core/secure_wipe.h"
#include "maintenance/registry/registry_settings.h"
#include "mount/open/drive_letter.h"
#include "shared/driver/driver_calls.h"
#include "mount/core/open_request.h"
#include "shell/state/open_vault.h"
#include "shell/state/process_state.h"
#include "shell/state/tray_icon.h"

namespace {

// The result for an outcome, with the last error behind it when there is one.
MountResult Result(MountOutcome outcome, DWORD systemError = 0) { return {outcome, systemError}; }

// Sends the request on the new drive; undoes the drive definition on failure.
MountResult BindAndSend(char letter, const unsigned char *request, DWORD length) {
    HANDLE probe = OpenDriveDevice(letter);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return Result(kMountDeviceInUse);
    }
    if (!DefineVaultDrive(letter)) return Result(kMountDriveNotDefined, GetLastError());
    HANDLE drive = OpenDriveDevice(letter);
    if (drive == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        RemoveVaultDrive(letter);
        return Result(kMountVaultInUse, error);
    }
    if (!SendOpenRequest(drive, request, length)) {
        DWORD error = GetLastError();
        CloseHandle(drive);
        RemoveVaultDrive(letter);
        return Result(kMountRequestNotSent, error);
    }
    CloseHandle(drive);
    return Result(kMountOpened);
}

// 0 when OpenVault cannot be written: a vault open without that record would
// go unnoticed after an abnormal end, so the caller closes it again.
int MarkOpen(char letter) {
    char drive[3] = {letter, ':', '\0'};
    if (!SetOpenVault(drive)) return 0;
    WriteDriveIcon(letter, g_process.programFolder);
    g_openVault.driveLetter = letter;
    char root[4] = {letter, ':', '\\', '\0'};
    SetVolumeLabelA(root, "Kovara");
    g_openVault.vaultOpen = 1;
    TrayChange(g_process.vaultOpenIcon, kTipVaultOpen);
    g_openVault.openCount += 1;
    return 1;
}

}  // namespace

MountResult MountVault(HWND owner, const char *containerPath, unsigned sizeMb, int letterRequested, char letter,
                       const KeyLoading &keyLoading) {
    if (!DriverReady()) return Result(kMountDriverBusy);
    DWORD used = GetLogicalDrives();
    if (used == 0) return Result(kMountDrivesNotListed, GetLastError());
    char chosen = FirstFreeVaultLetter(used);
    if (!chosen) return Result(kMountNoFreeLetter);
    if (letterRequested) chosen = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;

    unsigned char keyArea[KOVDEV_REQ_HEAD_SIZE];
    memset(keyArea, 0, sizeof keyArea);
    if (!keyLoading.load || !keyLoading.load(keyLoading.context, owner, keyArea)) {
        SecureWipe(keyArea, sizeof keyArea);
        return Result(kMountKeyNotLoaded);
    }

    size_t requestSize = OpenRequestAllocationSize(containerPath);
    unsigned char *request = static_cast<unsigned char *>(calloc(1, requestSize));
    size_t length = request ? FillOpenRequest(request, requestSize, keyArea, containerPath, chosen, sizeMb) : 0;
    SecureWipe(keyArea, sizeof keyArea);
    if (length == 0) {
        if (request) free(request);
        return Result(kMountRequestNotSent, request ? ERROR_FILENAME_EXCED_RANGE : ERROR_NOT_ENOUGH_MEMORY);
    }

    MountResult sent = BindAndSend(chosen, request, static_cast<DWORD>(length));
    SecureWipe(request, requestSize);
    free(request);
    if (sent.outcome != kMountOpened) return sent;

    if (!MarkOpen(chosen)) {
        DWORD error = GetLastError();
        LockVaultDrive(chosen);
        return Result(kMountNotRecorded, error);
    }

    if (g_process.myDocumentsKnown && (g_process.fileSystemKind == 1 || g_process.fileSystemKind == 2)) {
        MakeVaultShortcut(chosen);
        return Result(kMountOpened);
    }
    return Result(kMountOpenedAsDriveOnly);
}
