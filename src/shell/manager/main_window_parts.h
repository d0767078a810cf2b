// The handlers that the main window's dialog procedure hands its messages
// to, one concern per file.
#pragma once
#include <windows.h>

#include "shell/manager/main_window_state.h"

// main_window_commands.cpp: the command table. FALSE for an id not in it.
BOOL RunMainWindowCommand(HWND mainWindow, MainWindowState &state, int id, int notification);

// tray_menu.cpp: the tray callback (lParam: the mouse message) and timer 2.
void OnTrayCallback(HWND mainWindow, MainWindowState &state, LPARAM mouseMessage);
void OnTrayMenuTimer(HWND mainWindow, MainWindowState &state);

// log_off_guard.cpp: WM_QUERYENDSESSION (TRUE allows the end of the session)
// and WM_ENDSESSION.
BOOL AllowEndOfSession(HWND mainWindow, MainWindowState &state);
void OnEndOfSession(HWND mainWindow, MainWindowState &state, BOOL ending);

// lock_and_exit_dialog.cpp: the "Kovara - Lock Vault and Exit?" dialog; on a
// lock it ends the program by destroying the main window.
void RunLockAndExit(HWND mainWindow, MainWindowState &state);

// small_windows.cpp: the About box, the "How To Use" window and the two
// notices. The "Create New User" notice returns 1 for OK.
void RunAboutBox(HWND owner);
void RunHowToUse(HWND owner);
int RunCreateUserNotice(HWND owner);
void RunVaultLockedNotice(HWND owner);
