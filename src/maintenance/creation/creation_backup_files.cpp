// Writing the creation-time backup: single or split.
#include <string>

#include "maintenance/creation/creation_backup.h"
#include "shell/ui/message_box.h"

namespace {

const DWORD kRecordSize = 852;
const DWORD kHalfSize = 426;

void Remove(const char *path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}

// A new file holding exactly the bytes; a failed write leaves no file.
bool WriteNewFile(const char *path, const unsigned char *bytes, DWORD length) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes, length, &written, NULL) && written == length && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (!ok) Remove(path);
    return ok;
}

// The vault information copy, flushed to the disk before it counts.
bool CopyFlushed(const char *from, const char *to) {
    if (!CopyFileA(from, to, FALSE)) return false;
    HANDLE file = CreateFileA(to, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = FlushFileBuffers(file) != 0;
    return CloseHandle(file) && ok;
}

}  // namespace

int WriteSingleBackup(HWND owner, const CreationBackupChoice &choice, const unsigned char *record852,
                      const char *vaultInfoPath) {
    bool copied = CopyFlushed(vaultInfoPath, choice.vaultInfo);
    if (!copied || !WriteNewFile(choice.userInfo, record852, kRecordSize)) {
        if (copied) Remove(choice.vaultInfo);
        ShowMessageBox(owner, "Error creating backup.\nYou can make a backup after log-in.");
        return 0;
    }
    std::string text = std::string("Backup created successfully!") + "\n\nUser Information Backup File:\n" +
                       choice.userInfo + "\n\nVault Information Backup File:\n" + choice.vaultInfo;
    ShowMessageBox(owner, text.c_str(), kKovaraCaption, MB_OK | MB_ICONINFORMATION);
    return 1;
}

int WriteSplitBackup(HWND owner, const CreationBackupChoice &choice, const unsigned char *record852,
                     const char *vaultInfoPath) {
    if (!WriteNewFile(choice.userInfo, record852, kHalfSize)) {
        ShowMessageBox(owner, "Error creating backup.");
        return 0;
    }
    if (!WriteNewFile(choice.userInfo2, record852 + kHalfSize, kHalfSize)) {
        Remove(choice.userInfo);
        ShowMessageBox(owner, "Error creating backup.");
        return 0;
    }
    // Both copies may share one path when both parts go to one folder.
    if (!CopyFlushed(vaultInfoPath, choice.vaultInfo) || !CopyFlushed(vaultInfoPath, choice.vaultInfo2)) {
        Remove(choice.vaultInfo);
        Remove(choice.vaultInfo2);
        Remove(choice.userInfo);
        Remove(choice.userInfo2);
        return 0;
    }
    std::string text = std::string("Split Backup created successfully!") +
                       "\n\nPart 1 comprises of files:" + "\n1: " + choice.userInfo + "\n2: " + choice.vaultInfo +
                       "\n\nPart 2 comprises of files:" + "\n1: " + choice.userInfo2 + "\n2: " + choice.vaultInfo2;
    ShowMessageBox(owner, text.c_str(), kKovaraCaption, MB_OK | MB_ICONINFORMATION);
    return 1;
}
