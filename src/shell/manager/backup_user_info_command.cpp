// The tray's "Backup User &Info": the logged-in user's token key backup.
#include "maintenance/preferences/backup_user_info.h"
#include "shell/manager/maintenance_commands.h"

void CommandBackupUserInfo(HWND mainWindow, MainWindowState &state) {
    BackupUserInfo(mainWindow, state.logIn.loggedInFromBackup);
}
