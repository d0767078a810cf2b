// Writing the creation-time backup: single or split.
#include "maintenance/creation/creation_backup.h"

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

MaintenanceResult WriteSingleBackup(const CreationBackupChoice &choice, const unsigned char *record852,
                                    const char *vaultInfoPath) {
    bool copied = CopyFlushed(vaultInfoPath, choice.vaultInfo);
    if (!copied || !WriteNewFile(choice.userInfo, record852, kRecordSize)) {
        if (copied) Remove(choice.vaultInfo);
        return MaintenanceOutcomeOf(kSingleBackupFailed);
    }
    MaintenanceResult result = MaintenanceOutcomeOf(kSingleBackupWritten);
    result.files[0] = choice.userInfo;
    result.files[1] = choice.vaultInfo;
    return result;
}

MaintenanceResult WriteSplitBackup(const CreationBackupChoice &choice, const unsigned char *record852,
                                   const char *vaultInfoPath) {
    if (!WriteNewFile(choice.userInfo, record852, kHalfSize)) return MaintenanceOutcomeOf(kSplitBackupFailed);
    if (!WriteNewFile(choice.userInfo2, record852 + kHalfSize, kHalfSize)) {
        Remove(choice.userInfo);
        return MaintenanceOutcomeOf(kSplitBackupFailed);
    }
    // Both copies may share one path when both parts go to one folder.
    if (!CopyFlushed(vaultInfoPath, choice.vaultInfo) || !CopyFlushed(vaultInfoPath, choice.vaultInfo2)) {
        Remove(choice.vaultInfo);
        Remove(choice.vaultInfo2);
        Remove(choice.userInfo);
        Remove(choice.userInfo2);
        // The creation's own message covers it.
        return MaintenanceOutcomeOf(kMaintenanceUntold);
    }
    MaintenanceResult result = MaintenanceOutcomeOf(kSplitBackupWritten);
    result.files[0] = choice.userInfo;
    result.files[1] = choice.vaultInfo;
    result.files[2] = choice.userInfo2;
    result.files[3] = choice.vaultInfo2;
    return result;
}
