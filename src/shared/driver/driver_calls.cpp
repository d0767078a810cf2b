#include "shared/driver/driver_calls.h"

#include <winioctl.h>

#include "mount/core/driver_protocol.h"

namespace {

HANDLE OpenDevice(const char *name, DWORD access) {
    return CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING,
                       NULL);
}

int Control(HANDLE device, DWORD code, const void *in, DWORD inLength, void *out, DWORD outLength) {
    DWORD returned = 0;
    return DeviceIoControl(device, code, const_cast<void *>(in), inLength, out, outLength, &returned, NULL) ? 1 : 0;
}

// Closes a handle without losing the error of the step that failed before.
void CloseKeepingError(HANDLE handle) {
    DWORD error = GetLastError();
    CloseHandle(handle);
    SetLastError(error);
}

void DriveName(char driveLetter, char name[3]) {
    name[0] = driveLetter;
    name[1] = ':';
    name[2] = '\0';
}

}  // namespace

HANDLE OpenControlDevice() { return OpenDevice(KOVDEV_CONTROL_DEVICE_NAME, GENERIC_READ); }

HANDLE OpenDriveDevice(char driveLetter) {
    char name[] = "\\\\.\\ :";
    name[4] = driveLetter;
    return OpenDevice(name, GENERIC_READ | GENERIC_WRITE);
}

int DriverReady() {
    HANDLE control = OpenControlDevice();
    if (control == INVALID_HANDLE_VALUE) return 0;
    unsigned char status[KOVDEV_STATUS_SIZE] = {0};
    int answered = Control(control, KOVDEV_IOCTL_STATUS, NULL, 0, status, sizeof status);
    CloseKeepingError(control);
    return answered && status[0] != KOVDEV_STATUS_IN_USE;
}

int SendOpenRequest(HANDLE drive, const unsigned char *request, DWORD length) {
    return Control(drive, KOVDEV_IOCTL_OPEN, request, length, NULL, 0);
}

int ReadMountedLetter(HANDLE drive, char *driveLetter) {
    unsigned char record[KOVDEV_MOUNTED_SIZE] = {0};
    *driveLetter = 0;
    if (!Control(drive, KOVDEV_IOCTL_MOUNTED, NULL, 0, record, sizeof record)) return 0;
    *driveLetter = (char)record[KOVDEV_MOUNTED_LETTER_OFFSET];
    if (*driveLetter == 0) {
        SetLastError(ERROR_NOT_READY);
        return 0;
    }
    return 1;
}

int LockVolume(HANDLE drive) { return Control(drive, FSCTL_LOCK_VOLUME, NULL, 0, NULL, 0); }
int ReleaseVault(HANDLE drive) { return Control(drive, KOVDEV_IOCTL_RELEASE, NULL, 0, NULL, 0); }
int DismountVolume(HANDLE drive) { return Control(drive, FSCTL_DISMOUNT_VOLUME, NULL, 0, NULL, 0); }
int UnlockVolume(HANDLE drive) { return Control(drive, FSCTL_UNLOCK_VOLUME, NULL, 0, NULL, 0); }

int DefineVaultDrive(char driveLetter) {
    char name[3];
    DriveName(driveLetter, name);
    return DefineDosDeviceA(DDD_RAW_TARGET_PATH, name, KOVDEV_KERNEL_DEVICE_NAME) ? 1 : 0;
}

int RemoveVaultDrive(char driveLetter) {
    char name[3];
    DriveName(driveLetter, name);
    // Only the binding to the driver's device goes, never another one of X:.
    return DefineDosDeviceA(DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, name,
                            KOVDEV_KERNEL_DEVICE_NAME)
               ? 1
               : 0;
}

namespace {

// 1 while X: is still bound to the driver's kernel device.
int BoundToDriver(char driveLetter) {
    char name[3], target[MAX_PATH] = "";
    DriveName(driveLetter, name);
    return QueryDosDeviceA(name, target, sizeof target) && lstrcmpiA(target, KOVDEV_KERNEL_DEVICE_NAME) == 0;
}

// The driver holds no vault behind X: any more: an earlier lock released it
// and then stopped at the dismount, the unlock or the letter's removal. Only
// the letter's binding can be left; once it is gone the vault is locked.
int FinishReleasedLock(char driveLetter) {
    if (RemoveVaultDrive(driveLetter)) return 1;
    DWORD error = GetLastError();
    if (!BoundToDriver(driveLetter)) return 1;
    SetLastError(error);
    return 0;
}

}  // namespace

int LockVaultDrive(char driveLetter) {
    HANDLE drive = OpenDriveDevice(driveLetter);
    if (drive == INVALID_HANDLE_VALUE) return 0;
    unsigned char record[KOVDEV_MOUNTED_SIZE] = {0};
    if (!Control(drive, KOVDEV_IOCTL_MOUNTED, NULL, 0, record, sizeof record)) {
        CloseKeepingError(drive);
        return 0;
    }
    char mounted = (char)record[KOVDEV_MOUNTED_LETTER_OFFSET];
    if (mounted == 0) {
        CloseHandle(drive);
        return FinishReleasedLock(driveLetter);
    }
    int ok = LockVolume(drive) && ReleaseVault(drive) && DismountVolume(drive) && UnlockVolume(drive) &&
             RemoveVaultDrive(mounted);
    CloseKeepingError(drive);
    return ok;
}
