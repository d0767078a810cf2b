// The steps a person takes in the real Kovara.exe to create a user and to end
// the program, shared by the end-to-end tests: the new-user page, "Setup Your
// Vault", "Vault Created", the backup, and "Lock and Exit". Failures are
// reported through GoogleTest.
#pragma once
#include <windows.h>

#include <string>

#include "manager_run.h"
#include "robot.h"

// Redraws a window and saves a screenshot of the display under `name`.
void Photograph(HWND window, const char *name);

// Waits for a box of the program by caption, presses `button` and returns
// what it said (empty when it did not come).
robot::Box AnswerBox(ManagerRun &run, const char *caption, int button);

// Answers "Kovara - Authorise Token Use" with the token's PIN.
void AuthoriseTokenUse(ManagerRun &run);

struct NewUser {
    const char *name;
    const char *password;
    const char *vaultSizeMb;    // typed into "Setup Your Vault"
    std::string backupFolder;   // the single backup goes here
    const char *photos = NULL;  // prefix of the screenshots; NULL takes none
};

// From the new-user page of `main` up to the "How To Use" window, which it
// returns open (NULL when a step failed).
HWND CreateUserThroughNewUserPage(ManagerRun &run, HWND main, const NewUser &user);

// Closes "How To Use" with Explore Vault.
void ExploreVault(HWND howToUse);

// "Lock and Exit" from the tray command, up to the end of the program.
void LockAndExit(ManagerRun &run, HWND main, const char *photo);
