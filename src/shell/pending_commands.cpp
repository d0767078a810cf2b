// Stand-in bodies of the commands that the creation and maintenance
// operations carry out: until each is done, it says so.
#include "shell/pending_commands.h"

#include "shell/ui/message_box.h"

namespace {

void NotAvailableYet(HWND owner) {
    ShowMessageBox(owner, "This feature is not available yet.", kKovaraCaption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

void CommandForgotPassword(HWND mainWindow, MainWindowState &) { NotAvailableYet(mainWindow); }
void CommandChangePassword(HWND mainWindow, MainWindowState &) { NotAvailableYet(mainWindow); }
void CommandPreferences(HWND mainWindow, MainWindowState &) { NotAvailableYet(mainWindow); }
void CommandBackupUserInfo(HWND mainWindow, MainWindowState &) { NotAvailableYet(mainWindow); }

// Without reminders nothing is due.
void SetUpReminders(HWND, MainWindowState &state) { state.weeklyVaultBackupDue = 0; }
