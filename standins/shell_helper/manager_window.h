// Finding the running vault manager's main window and handing it the
// companion request.
#pragma once

#include <windows.h>

// The request the vault manager's main window answers by showing itself, or
// by exploring the open vault drive.
extern const char kOpenAndExplorer[];

// The main window of a running vault manager: a top-level dialog titled
// "Kovara" that holds the page picture control. Hidden windows count (the
// main window hides while a vault is open); message boxes with the same
// caption do not. NULL when there is none.
HWND FindManagerWindow();

// Sends the window WM_COPYDATA carrying kOpenAndExplorer with its
// terminating zero, and lets the window's process take the foreground.
// False when the window did not take the message within the time-out.
bool SendOpenAndExplorer(HWND window);
