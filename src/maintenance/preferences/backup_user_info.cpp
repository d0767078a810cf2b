#include "maintenance/preferences/backup_user_info.h"

#include "keys/files/token_use.h"
#include "crypto/core/secure_wipe.h"
#include "token/operations/token_key_backup.h"

MaintenanceResult BackupUserInfo(HWND owner, int loggedInFromBackup) {
    if (loggedInFromBackup) return MaintenanceOutcomeOf(kUserInfoBackupAfterBackupLogIn);
    char tokenPassword[103];
    if (!AuthoriseTokenUse(owner, tokenPassword, sizeof tokenPassword)) return MaintenanceOutcomeOf(kMaintenanceUntold);
    int written = BackupTokenKey(owner, "KovdevTokenKey", ".user", tokenPassword);
    SecureWipe(tokenPassword, sizeof tokenPassword);
    return MaintenanceOutcomeOf(written ? kMaintenanceOk : kMaintenanceUntold);
}
