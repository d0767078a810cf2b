// Preferences and the weekly reminders: the tray's "User &Preferences" and
// the reminder set-up of the main window.
#include "maintenance/preferences/preferences_dialog.h"
#include "maintenance/preferences/reminders.h"
#include "shell/manager/maintenance_commands.h"

void CommandPreferences(HWND mainWindow, MainWindowState &) { RunPreferencesDialog(mainWindow); }

void SetUpReminders(HWND mainWindow, MainWindowState &state) {
    ReminderFlags flags = {0, 0};
    SetUpWeeklyReminders(mainWindow, &flags);
    state.weeklyVaultBackupDue = flags.backupReminderArmed;
}
