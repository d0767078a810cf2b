// Locking the open vault, and the message every caller shows when it fails.
#pragma once
#include <windows.h>

#include <string>

// Locks drive X through the driver (LockVaultDrive); on success the vault is
// no longer open: tray icon and tip "locked", the My Documents shortcut made
// at open deleted (even when read-only), OpenVault deleted. 1 locked, 0
// failed (everything stays as it was). Shows nothing.
int LockVault(HWND owner, char driveLetter);

// "The Vault ( X:) could not be locked." and the possible reasons.
std::string LockFailureText(char driveLetter);

// The lock failure message: caption "Kovara", warning icon.
void ShowLockFailure(HWND owner, char driveLetter);
