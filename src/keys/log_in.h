// Log-in and log-in from backup: the commands of the log-in page. Inputs are
// read from the main window's controls; progress and status are shown there.
#pragma once
#include <windows.h>

#include "keys/key_files.h"

enum { kPasswordBufferSize = 101, kHeldPasswordSize = kPasswordBufferSize + 1 };

// The held copy of the typed password. Once the open request has been
// attempted, and on every other way out of a log-in, its first 101 bytes are
// overwritten with the digit 0; the last byte stays a terminator.
extern char g_loginPassword[kHeldPasswordSize];

// 1 when the user is logged in with the vault open (the main window is then
// hidden), else 0 after a message.
int LogIn(HWND mainWindow);

// The "Use Backup" command: asks for the backup in its dialog, then runs
// LogInFromChosenBackup on it. 1 when the vault is open, else 0.
int LogInFromBackup(HWND mainWindow);

// Steps of the log-in from backup after the backup has been chosen
// (g_backupChoice): reads the user name and password again from the page.
int LogInFromChosenBackup(HWND mainWindow);
