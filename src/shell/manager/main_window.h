// The main window (dialog template 406): the new-user and log-in pages and
// every command of the program, from the page buttons and the tray menu.
#pragma once
#include <windows.h>

#include "shell/manager/main_window_state.h"

// Creates the main window as a modeless dialog without owner, on state
// (kept for the window's life). It is not shown yet.
HWND CreateMainWindow(HINSTANCE instance, MainWindowState *state);

// The state of a main window.
MainWindowState *MainWindowStateOf(HWND mainWindow);

// After a log-in, a log-in from backup or a user creation: hide the window,
// run the "How To Use" window, hide again. The window then stays hidden
// until the tray shows it.
void EnterLoggedInState(HWND mainWindow, MainWindowState &state);

// Pages of the main window. Showing one hides every control of the other.
void ShowNewUserPage(HWND mainWindow);
void ShowLogInPage(HWND mainWindow);

// Shell opens of the program's help files and the vendor's pages; results
// are ignored.
void OpenProgramFile(const char *fileName);  // program folder + "\" + name
void OpenVendorPage(const char *page);       // web site + page
