// The tray command "Backup User &Info": the token key backup of the
// logged-in user, or a notice after a log-in from backup.
#pragma once
#include <windows.h>

// loggedInFromBackup: the user logged in through "Use Backup" (only the
// notice then). Returns 1 when a backup file was written.
int BackupUserInfo(HWND owner, int loggedInFromBackup);
