// Process-wide state of the vault manager: set up at start-up and by the open
// sequence, read by the main window, the lock and the key operations. One
// copy, used from the user-interface thread only.
#pragma once
#include <windows.h>

enum { kAppPathSize = 261, kAppNameSize = 101 };

struct AppState {
    HINSTANCE instance;
    HWND mainWindow;
    char programFolder[kAppPathSize];  // without a trailing backslash

    // My Documents, for the shortcut to an open vault.
    int myDocumentsKnown;
    int fileSystemKind;  // 1 FAT, 2 other; meaningful while myDocumentsKnown
    char shortcutPath[kAppPathSize];

    HICON vaultOpenIcon;    // resource 357
    HICON vaultLockedIcon;  // resource 364

    // The open vault.
    int vaultOpen;
    char openDriveLetter;
    int openCount;
    int shortcutMade;

    // Set only while the mount of a log-in from backup runs: the key loading
    // then reads the backup chosen for that log-in instead of the token.
    int fromBackup;

    // Drive picked on the log-in page; letter 'A' when none.
    int chosenDrive;
    char chosenDriveLetter;

    int loggedIn;
    int loggedInFromBackup;
    char loggedInUser[kAppNameSize];
};

extern AppState g_app;
