// Commands of the main window that the maintenance operations carry out:
// password recovery and change, preferences and reminders, and the token key
// backup of the tray. Each gets the main window (owner of its dialogs and
// boxes) and the window's state.
#pragma once
#include <windows.h>

#include "shell/manager/main_window_state.h"

// 1374, "&Forgot My Password", called once the box has been unchecked:
// the password recovery dialog.
void CommandForgotPassword(HWND mainWindow, MainWindowState &state);

// 1447, "Change &Password" of the log-in page.
void CommandChangePassword(HWND mainWindow, MainWindowState &state);

// 32908, tray "User &Preferences".
void CommandPreferences(HWND mainWindow, MainWindowState &state);

// 32919, tray "Backup User &Info": after a log-in from backup
// (state.logIn.loggedInFromBackup) only the information box; otherwise the
// token key backup of the logged-in user (state.logIn.user).
void CommandBackupUserInfo(HWND mainWindow, MainWindowState &state);

// Set-up of the main window (WM_INITDIALOG), before the first page: reads
// the reminder settings, shows the weekly password reminder when due and
// sets state.weeklyVaultBackupDue for this run.
void SetUpReminders(HWND mainWindow, MainWindowState &state);
