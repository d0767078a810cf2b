// The uninstaller program: start-up checks, the dialog, the removal and, after
// a complete removal, the self-delete.
#pragma once
#include <windows.h>

// Runs the uninstaller; returns the process exit code (0).
int RunUninstaller(HINSTANCE instance);
