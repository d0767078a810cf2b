// State of the main window and its pages, owned by the window for the life of
// the program (one copy, user-interface thread only). The command handlers
// of the main window, the tray and the lock read and write it.
#pragma once

#include "keys/log_in/log_in.h"
#include "mount/open/drive_letter.h"

// The log-in page: the drive picked for the next log-in and who is logged in.
struct LogInPageState {
    ChosenDrive chosenDrive;  // letter 'A' when none
    int loggedIn;
    int loggedInFromBackup;  // logged in through "Use Backup"
    LoggedInUser user;       // name and vault of the logged-in user
};

struct MainWindowState {
    int noUserYet;       // new-user page shown because no user exists
    int recoveryOption;  // 1 Yes, 2 No (new-user page)
    LogInPageState logIn;

    int backupScheduled;       // "Backup Vault": copy the vault at "Lock and Exit"
    int weeklyVaultBackupDue;  // set by the reminder set-up for this run
    int lockAndExitRunning;    // tray clicks are ignored meanwhile
    int userPassRunning;       // a log-in or creation pass: tray clicks and commands are refused
    int trayMenuUp;            // keeps timer 2 running
};

// The state of the program's main window.
extern MainWindowState g_mainWindow;
