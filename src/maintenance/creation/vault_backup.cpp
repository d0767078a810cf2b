#include "maintenance/creation/vault_backup.h"

#include <string.h>

#include "maintenance/messages/maintenance_messages.h"
#include "shell/ui/message_box.h"

int AskScheduleVaultBackup(HWND owner) {
    const char question[] =
        "The vault backup can be taken only when the vault is locked."
        "\n\nWould you like to make vault backup when you \"Lock and Exit\"?";
    if (ShowMessageBox(owner, question, kKovaraCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
    ShowMessageBox(owner, "Vault backup scheduled at \"Lock and Exit\".", kKovaraCaption, MB_OK | MB_ICONINFORMATION);
    return 1;
}

int CopyVaultAfterLock(HWND owner, const char *containerPath, VaultBackupFolderChooser chooseFolder) {
    for (;;) {
        char folder[MAX_PATH];
        if (!chooseFolder(owner, "Select Folder for Vault Backup:", folder) || strlen(folder) <= 1)
            return 0;
        MaintenanceResult copy = CopyVaultInto(containerPath, folder, 0);
        if (copy.outcome == kVaultBackupExists) {
            int answer = ShowMessageBox(owner,
                                        "A vault file exists in selected location.\n\nClick \"Yes\" to ovewrite."
                                        "\nClick \"No\" to select new location.\nClick \"Cancel\" to cancel backup.",
                                        kKovaraCaption, MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDNO) continue;
            if (answer != IDYES) return 0;
            copy = CopyVaultInto(containerPath, folder, 1);
        }
        ShowMaintenanceOutcome(owner, copy);
        // The container's own folder: the chooser comes back.
        if (copy.outcome == kVaultBackupHoldsVault) continue;
        return copy.outcome == kMaintenanceOk;
    }
}
