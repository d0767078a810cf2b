#include "shell/manager/lock_vault.h"

#include "maintenance/registry/registry_settings.h"
#include "shared/driver/driver_calls.h"
#include "shell/state/open_vault.h"
#include "shell/state/process_state.h"
#include "shell/state/tray_icon.h"
#include "shell/ui/message_box.h"

int LockVault(HWND, char driveLetter) {
    if (!LockVaultDrive(driveLetter)) return 0;
    g_openVault.vaultOpen = 0;
    TrayChange(g_process.vaultLockedIcon, kTipVaultLocked);
    if ((g_process.fileSystemKind == 1 || g_process.fileSystemKind == 2) && g_openVault.shortcutMade &&
        GetFileAttributesA(g_process.shortcutPath) != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(g_process.shortcutPath, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(g_process.shortcutPath);
    }
    ClearOpenVault();
    return 1;
}

std::string LockFailureText(char driveLetter) {
    std::string drive = "( :)";
    drive[1] = driveLetter;
    return "The Vault " + drive + " could not be locked." +
           "\n\nPossible reasons can be: " + "\n1. Open file(s) within the vault," +
           "\n2. Open folder(s) within the vault," + "\n3. An open Windows Explorer is accessing the vault." +
           "\n4. The vault being accessed by another application.";
}

void ShowLockFailure(HWND owner, char driveLetter) { ShowMessageBox(owner, LockFailureText(driveLetter).c_str()); }
