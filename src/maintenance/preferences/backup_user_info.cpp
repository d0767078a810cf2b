#include "maintenance/preferences/backup_user_info.h"

#include "keys/files/token_use.h"
#include "crypto/core/secure_wipe.h"
#include "shell/ui/message_box.h"
#include "token/operations/token_key_backup.h"

int BackupUserInfo(HWND owner, int loggedInFromBackup) {
    if (loggedInFromBackup) {
        ShowMessageBox(owner,
                       "You have already logged in using backup.\nTo create more backup copies, copy "
                       "the backup files that you used to log in to locations of your choice.",
                       kKovaraCaption, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    char tokenPassword[103];
    if (!AuthoriseTokenUse(owner, tokenPassword, sizeof tokenPassword)) return 0;
    int written = BackupTokenKey(owner, "KovdevTokenKey", ".user", tokenPassword);
    SecureWipe(tokenPassword, sizeof tokenPassword);
    return written;
}
