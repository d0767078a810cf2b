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
#include "shell/ui/error_box.h"
#include "shell/ui/message_box.h"

namespace {

// Sends the request on the new drive; undoes the drive definition on failure.
int BindAndSend(HWND owner, char letter, const unsigned char *request, DWORD length) {
    HANDLE probe = OpenDriveDevice(letter);
    if (probe != INVALID_HANDLE_VALUE) {
        // The device answered: no system error lies behind this refusal.
        CloseHandle(probe);
        SetLastError(ERROR_SUCCESS);
        SystemErrorBox(owner, "The vault device is either in use or is not accessible.");
        return 0;
    }
    if (!DefineVaultDrive(letter)) {
        SystemErrorBox(owner, "There was error defining DOS drive.");
        return 0;
    }
    HANDLE drive = OpenDriveDevice(letter);
    if (drive == INVALID_HANDLE_VALUE) {
        SystemErrorBox(owner, "The vault is either in use or not accessible.");
        RemoveVaultDrive(letter);
        return 0;
    }
    if (!SendOpenRequest(drive, request, length)) {
        DWORD error = GetLastError();
        CloseHandle(drive);
        SetLastError(error);
        SystemErrorBox(owner, "Unable to send open request to the vault driver.");
        RemoveVaultDrive(letter);
        return 0;
    }
    CloseHandle(drive);
    return 1;
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

int MountVault(HWND owner, const char *containerPath, unsigned sizeMb, int letterRequested, char letter,
               const KeyLoading &keyLoading) {
    if (!DriverReady()) {
        ShowMessageBox(
            owner,
            "Kovara driver is either in use or is not accessible.\nCheck that the vault may already be open.\n"
            "Desired vault cannot be opened.");
        return 0;
    }
    DWORD used = GetLogicalDrives();
    if (used == 0) {
        SystemErrorBox(owner, "Error while enumerating existing drives on the system.");
        return 0;
    }
    char chosen = FirstFreeVaultLetter(used);
    if (!chosen) {
        ShowMessageBox(owner, "All drive letters on your system are already in use.\nVault cannot be opened.");
        return 0;
    }
    if (letterRequested) chosen = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;

    unsigned char keyArea[KOVDEV_REQ_HEAD_SIZE];
    memset(keyArea, 0, sizeof keyArea);
    if (!keyLoading.load || !keyLoading.load(keyLoading.context, owner, keyArea)) {
        SecureWipe(keyArea, sizeof keyArea);
        return 0;
    }

    size_t requestSize = OpenRequestAllocationSize(containerPath);
    unsigned char *request = static_cast<unsigned char *>(calloc(1, requestSize));
    size_t length = request ? FillOpenRequest(request, requestSize, keyArea, containerPath, chosen, sizeMb) : 0;
    SecureWipe(keyArea, sizeof keyArea);
    if (length == 0) {
        if (request) free(request);
        SetLastError(request ? ERROR_FILENAME_EXCED_RANGE : ERROR_NOT_ENOUGH_MEMORY);
        SystemErrorBox(owner, "Unable to send open request to the vault driver.");
        return 0;
    }

    int sent = BindAndSend(owner, chosen, request, static_cast<DWORD>(length));
    SecureWipe(request, requestSize);
    free(request);
    if (!sent) return 0;

    if (!MarkOpen(chosen)) {
        DWORD error = GetLastError();
        LockVaultDrive(chosen);
        SetLastError(error);
        LastErrorBox(owner);
        return 0;
    }

    if (g_process.myDocumentsKnown && (g_process.fileSystemKind == 1 || g_process.fileSystemKind == 2)) {
        MakeVaultShortcut(chosen);
        return 1;
    }
    ShowMessageBox(NULL,
                   "Unable to determine path of your personal folder \"My Documents\".\n"
                   "The vault is open and accessible only as a drive, and not as a folder within \"My Documents\".",
                   kKovaraCaption, MB_OK | MB_ICONINFORMATION);
    return 1;
}
