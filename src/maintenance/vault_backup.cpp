#include "maintenance/vault_backup.h"

#include <string.h>

#include <string>

#include "shell/ui/choose_folder.h"
#include "shell/ui/message_box.h"

VaultBackupFolderChooser g_vaultBackupFolderChooser = ChooseFolder;

int AskScheduleVaultBackup(HWND owner) {
    const char question[] =
        "The vault backup can be taken only when the vault is locked."
        "\n\nWould you like to make vault backup when you \"Lock and Exit\"?";
    if (ShowMessageBox(owner, question, kKovaraCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
    ShowMessageBox(owner, "Vault backup scheduled at \"Lock and Exit\".", kKovaraCaption, MB_OK | MB_ICONINFORMATION);
    return 1;
}

int CopyVaultAfterLock(HWND owner, const char *containerPath) {
    const char *slash = strrchr(containerPath, '\\');
    const char *fileName = slash ? slash + 1 : containerPath;
    for (;;) {
        char folder[MAX_PATH];
        if (!g_vaultBackupFolderChooser(owner, "Select Folder for Vault Backup:", folder) || strlen(folder) <= 1)
            return 0;
        DWORD attributes = GetFileAttributesA(folder);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
        std::string target = folder;
        if (target.back() != '\\') target += '\\';
        target += fileName;
        if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            int answer = ShowMessageBox(owner,
                                        "A vault file exists in selected location.\n\nClick \"Yes\" to ovewrite."
                                        "\nClick \"No\" to select new location.\nClick \"Cancel\" to cancel backup.",
                                        kKovaraCaption, MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDNO) continue;
            if (answer != IDYES) return 0;
        }
        if (!CopyFileA(containerPath, target.c_str(), FALSE)) {
            ShowMessageBox(owner, "There was error making a backup.");
            return 0;
        }
        return 1;
    }
}
