// Installing the vault driver's root-enumerated device "Kovdev" from its
// setup information file, through SetupAPI and newdev.
#pragma once
#include <windows.h>

// 1 when the device's driver is installed. On failure its own message has
// been shown (caption "Kovara Installer") and the system's last error is the
// one of the failed call, for the caller's message.
int InstallKovdevDriver(HWND owner, const char *infPath);
