// The tray command "Backup User &Info": the token key backup of the
// logged-in user, or a notice after a log-in from backup.
#pragma once
#include <windows.h>

#include "maintenance/messages/maintenance_outcome.h"

// loggedInFromBackup: the user logged in through "Use Backup" (only the
// notice then). kMaintenanceOk when a backup file was written; shows nothing
// itself but the token dialogs and the token key backup's own messages.
MaintenanceResult BackupUserInfo(HWND owner, int loggedInFromBackup);
