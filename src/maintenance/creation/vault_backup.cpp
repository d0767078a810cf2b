#include "maintenance/creation/vault_backup.h"

#include <string.h>

#include <string>

#include "shell/ui/message_box.h"

int AskScheduleVaultBackup(HWND owner) {
    const char question[] =
        "The vault backup can be taken only when the vault is locked."
        "\n\nWould you like to make vault backup when you \"Lock and Exit\"?";
    if (ShowMessageBox(owner, question, kKovaraCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
    ShowMessageBox(owner, "Vault backup scheduled at \"Lock and Exit\".", kKovaraCaption, MB_OK | MB_ICONINFORMATION);
    return 1;
}

namespace {

// True when both paths name one file (the same volume and file index), so
// that a backup "over" the container would replace the container itself.
bool SameFile(const char *a, const char *b) {
    HANDLE first = CreateFileA(a, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (first == INVALID_HANDLE_VALUE) return false;
    HANDLE second = CreateFileA(b, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    bool same = false;
    if (second != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION x, y;
        same = GetFileInformationByHandle(first, &x) && GetFileInformationByHandle(second, &y) &&
               x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
               x.nFileIndexLow == y.nFileIndexLow;
        CloseHandle(second);
    }
    CloseHandle(first);
    if (!same) same = lstrcmpiA(a, b) == 0;
    return same;
}

bool FlushFile(const char *path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool flushed = FlushFileBuffers(file) != 0;
    return CloseHandle(file) && flushed;
}

// Copies the container to a new file beside the target, flushes it and only
// then moves it over the target: a copy that fails midway leaves the previous
// backup whole.
bool CopyBeside(const char *containerPath, const std::string &target) {
    std::string fresh = target + ".new";
    SetFileAttributesA(fresh.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(fresh.c_str());
    if (CopyFileA(containerPath, fresh.c_str(), TRUE) && FlushFile(fresh.c_str()) &&
        MoveFileExA(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetFileAttributesA(fresh.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(fresh.c_str());
    return false;
}

}  // namespace

int CopyVaultAfterLock(HWND owner, const char *containerPath, VaultBackupFolderChooser chooseFolder) {
    const char *slash = strrchr(containerPath, '\\');
    const char *fileName = slash ? slash + 1 : containerPath;
    for (;;) {
        char folder[MAX_PATH];
        if (!chooseFolder(owner, "Select Folder for Vault Backup:", folder) || strlen(folder) <= 1)
            return 0;
        DWORD attributes = GetFileAttributesA(folder);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
        std::string target = folder;
        if (target.back() != '\\') target += '\\';
        target += fileName;
        if (SameFile(containerPath, target.c_str())) {
            ShowMessageBox(owner,
                           "The selected location holds the vault itself."
                           "\n\nSelect some other location for the vault backup.");
            continue;
        }
        if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            int answer = ShowMessageBox(owner,
                                        "A vault file exists in selected location.\n\nClick \"Yes\" to ovewrite."
                                        "\nClick \"No\" to select new location.\nClick \"Cancel\" to cancel backup.",
                                        kKovaraCaption, MB_YESNOCANCEL | MB_ICONQUESTION);
            if (answer == IDNO) continue;
            if (answer != IDYES) return 0;
        }
        if (!CopyBeside(containerPath, target)) {
            ShowMessageBox(owner, "There was error making a backup.");
            return 0;
        }
        return 1;
    }
}
