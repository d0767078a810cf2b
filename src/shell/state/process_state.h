// State of the vault manager process, set up once at start-up: where the
// program lives, My Documents, the icons and the main window. One copy, read
// from the user-interface thread.
#pragma once
#include <windows.h>

#include "keys/core/path_size.h"

struct ProcessState {
    HINSTANCE instance;
    HWND mainWindow;
    char programFolder[kPathSize];  // without a trailing backslash
    HANDLE mutex;                          // "Kovara", held until the end

    // My Documents, for the shortcut to an open vault.
    int myDocumentsKnown;
    int fileSystemKind;  // 1 FAT, 2 other; meaningful while myDocumentsKnown
    char shortcutPath[kPathSize];

    HICON vaultOpenIcon;    // resource 357
    HICON vaultLockedIcon;  // resource 364
    HICON applicationIcon;  // resource 487

    // Found at start-up; they choose the main window's first page.
    int userExists;       // the authorised token holds a token key object
    int vaultRegistered;  // DefVaults holds at least one value
};

extern ProcessState g_process;
