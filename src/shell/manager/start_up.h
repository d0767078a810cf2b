// The vault manager from start to end: the checks and repairs of start-up,
// the main window and its tray icon, and the message loop.
#pragma once
#include <windows.h>

// Returns the process exit code: 0 for every orderly stop during start-up, 1
// when the program's own path cannot be read, else the quit message's code.
// The program normally ends earlier, from the main window's destruction.
int RunVaultManager(HINSTANCE instance);
