// The "Use Backup" command: the backup is chosen in its dialog, then the
// checks and the open sequence run on it.
#include <string.h>

#include "keys/log_in/log_in.h"
#include "crypto/core/secure_wipe.h"
#include "maintenance/log_in_backup/log_in_backup_dialog.h"
#include "resources/resource.h"

LogInResult LogInFromBackup(HWND main, ChosenDrive *drive, LoggedInUser *loggedIn) {
    // Both fields must be typed before the dialog opens.
    char user[100] = "", password[kPasswordBufferSize] = "";
    GetDlgItemTextA(main, IDC_LOGIN_USER, user, sizeof user);
    GetDlgItemTextA(main, IDC_LOGIN_PASSWORD, password, 100);
    bool passwordTyped = password[0] != '\0';
    SecureWipe(password, sizeof password);
    LogInResult refused = {};
    if (!user[0] || !passwordTyped) {
        refused.outcome = KeysOutcomeOf(!user[0] ? kLogInNoUserName : kLogInNoPassword);
        return refused;
    }

    BackupChoice choice;
    if (!RunLogInBackupDialog(main, &choice)) {
        refused.outcome = KeysOutcomeOf(kKeysUntold);
        return refused;
    }
    return LogInFromChosenBackup(main, choice, drive, loggedIn);
}
