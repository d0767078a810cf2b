// The tray's "Backup User &Info": the logged-in user's token key backup.
#include "maintenance/backup_user_info.h"
#include "maintenance/maintenance_messages.h"
#include "shell/maintenance_commands.h"

void CommandBackupUserInfo(HWND mainWindow, MainWindowState &state) {
    ShowMaintenanceOutcome(mainWindow, BackupUserInfo(mainWindow, state.logIn.loggedInFromBackup));
}
