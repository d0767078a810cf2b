// Calls to the vault driver through its devices. Every call returns 1 on
// success and 0 on failure with the system's last error left for the caller's
// message.
#pragma once
#include <windows.h>

// "\\.\Kovdev00" for read access; INVALID_HANDLE_VALUE on failure.
HANDLE OpenControlDevice();
// "\\.\X:" for read and write access; INVALID_HANDLE_VALUE on failure.
HANDLE OpenDriveDevice(char driveLetter);

// The control device opens, the status call succeeds and no vault is in use.
int DriverReady();

// Sends the open request of length bytes on the drive device.
int SendOpenRequest(HANDLE drive, const unsigned char *request, DWORD length);

// Reads the mounted-volume record; *driveLetter gets its letter. A letter of 0
// (nothing mounted) is a failure.
int ReadMountedLetter(HANDLE drive, char *driveLetter);

int LockVolume(HANDLE drive);
int ReleaseVault(HANDLE drive);
int DismountVolume(HANDLE drive);
int UnlockVolume(HANDLE drive);

// Binds X: to the driver's kernel device, and removes that binding again.
int DefineVaultDrive(char driveLetter);
int RemoveVaultDrive(char driveLetter);

// The whole lock of drive X, stopping at the first failure: open the drive
// device, take the letter of the mounted record, lock, release, dismount,
// unlock, remove the drive definition of that letter, close. When the
// record names no letter the driver holds no vault any more (an earlier lock
// released it and failed after that): X:'s binding to the driver is removed
// and the lock succeeds, so that the clean-up after it can run.
int LockVaultDrive(char driveLetter);
