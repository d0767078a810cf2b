// The installer program: start-up checks, then the "Install Kovara" dialog.
#pragma once
#include <windows.h>

// Runs the installer; returns the process exit code (0).
int RunInstaller(HINSTANCE instance);
