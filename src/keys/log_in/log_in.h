// Log-in and log-in from backup: the commands of the log-in page. Inputs are
// read from the main window's controls; progress and status are shown there.
#pragma once
#include <windows.h>

#include "keys/core/backup_choice.h"
#include "keys/core/keys_outcome.h"
#include "mount/open/drive_letter.h"
#include "mount/core/mount_outcome.h"

enum {
    kPasswordBufferSize = 101,
    kHeldPasswordSize = kPasswordBufferSize + 1,
    kLogInUserSize = 101,
};

// Who logged in, handed back by a successful log-in.
struct LoggedInUser {
    char name[kLogInUserSize];
    char vaultPath[kPathSize];  // the container that is now open
};

// The held copy of the typed password. Once the open request has been
// attempted, and on every other way out of a log-in, its first 101 bytes are
// overwritten with the digit 0; the last byte stays a terminator.
extern char g_loginPassword[kHeldPasswordSize];

// How a log-in ended. The boxes come in this order: the open sequence's,
// the cause's (a check's or the key loading's), then the outcome's.
struct LogInResult {
    MountResult mount;   // the open sequence's outcome, when it ran
    KeysResult cause;    // why a check or the key loading failed, told first
    KeysResult outcome;  // kKeysOk when the vault is open
};

inline bool LoggedInBy(const LogInResult &result) { return result.outcome.outcome == kKeysOk; }

// The log-ins show nothing themselves; the caller shows the result
// (ShowLogInOutcome). Both use the drive picked on the page only when its
// letter comes after C, and clear the pick after each attempt that reaches
// the open sequence. On success the vault is open, the main window is
// hidden and user names the user and the vault; the caller then enters the
// logged-in state.
LogInResult LogIn(HWND mainWindow, ChosenDrive *drive, LoggedInUser *user);

// The "Use Backup" command: asks for the backup in its dialog, then runs
// LogInFromChosenBackup on it.
LogInResult LogInFromBackup(HWND mainWindow, ChosenDrive *drive, LoggedInUser *user);

// Steps of the log-in from backup after the backup has been chosen: reads
// the user name and password again from the page.
LogInResult LogInFromChosenBackup(HWND mainWindow, const BackupChoice &backup, ChosenDrive *drive, LoggedInUser *user);

// The boxes of a log-in's result, in their order.
void ShowLogInOutcome(HWND owner, const LogInResult &result);
