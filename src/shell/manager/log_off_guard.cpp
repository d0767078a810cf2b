// The end of the Windows session while a vault is open.
#include "resources/resource.h"
#include "shell/manager/lock_vault.h"
#include "shell/manager/main_window_parts.h"
#include "shell/state/open_vault.h"
#include "shell/ui/message_box.h"

namespace {

const char kLogOffQuestion[] =
    "Windows indicates log off."
    "\n\nSECURITY ALERT: "
    "\nYou still have your vault open."
    "\n\nRecommendation:"
    "\nTo avoid this problem, please remember to lock "
    "your vault upon use and refrain from terminating "
    "Kovara program via Windows Task Manager."
    "\n\nAttempt will be made to lock your vault, "
    "to protect your valuable data that may be at risk."
    "\n\nFIRST CLOSE ALL OPEN FILES AND EXPLORER THEN:"
    "\nClick \"Yes\" to attempt locking the vault then log off."
    "\nClick \"No\" to continue log off.";

}  // namespace

BOOL AllowEndOfSession(HWND window, MainWindowState &) {
    if (!g_openVault.vaultOpen) return TRUE;
    if (ShowMessageBox(window, kLogOffQuestion, "Kovara: Security Alert", MB_YESNO | MB_USERICON, IDI_USER_ALERT) !=
        IDYES)
        return TRUE;
    char drive = g_openVault.driveLetter;
    if (LockVault(window, drive)) {
        DestroyWindow(window);
        return TRUE;
    }
    ShowLockFailure(window, drive);
    return FALSE;
}

void OnEndOfSession(HWND window, MainWindowState &, BOOL ending) {
    if (!ending || !g_openVault.vaultOpen) return;
    char drive = g_openVault.driveLetter;
    if (!LockVault(window, drive)) ShowLockFailure(window, drive);
}
