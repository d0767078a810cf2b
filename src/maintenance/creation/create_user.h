// Creating a user and a vault in one pass, from the main window's new-user
// page: the checks before anything is written, "Kovara - Setup Your Vault",
// the sealed user information on the token, the registration, the new
// container opened and formatted, the vault information file, the backup
// offered, and the vault opened again. Every failure undoes what the pass
// made, except the token key object.
#pragma once
#include <windows.h>

#include "keys/core/path_size.h"
#include "maintenance/messages/maintenance_outcome.h"
#include "shell/ui/outcome_box.h"

// The user made by a successful pass.
struct CreatedUser {
    char name[101];
    char vaultPath[kPathSize];  // the container, now open
};

// What the pass needs from the program around it.
struct CreationCalls {
    // The recovery questions dialog: 1 when the recovery file was written.
    int (*recoveryQuestions)(HWND owner, const char *userName, const char *password);
    // The lock of the open vault on the drive letter: 1 locked, 0 not.
    int (*lock)(HWND owner, char driveLetter);
    // Tells a box of a step at the moment it ends (the vault opened as a
    // drive only, a backup written or refused, why the vault did not open):
    // ShowOutcomeBox in the program.
    void (*tell)(HWND owner, const OutcomeBox &box);
};

// Reads the page's fields (user name and passwords) and runs the pass; the
// recovery questions come first when askRecovery is set. kMaintenanceOk when
// the new vault is open, with user naming the user and the vault; the caller
// then enters the logged-in state. Otherwise the failure, with the page's
// buttons enabled and its progress at 0; the caller then runs
// FinishCreationPage. The pass's own outcome is never shown by the pass.
MaintenanceOutcome CreateUser(HWND mainWindow, int askRecovery, const CreationCalls &calls, CreatedUser *user);

// After a failed pass: its box, then the focus in the field the failure is
// about (the user name unless a password field is).
void FinishCreationPage(HWND mainWindow, MaintenanceOutcome outcome);
