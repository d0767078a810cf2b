// The copy of the vault backup into a chosen folder; shows nothing.
#include <string.h>

#include <string>

#include "maintenance/creation/vault_backup.h"

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

MaintenanceResult CopyVaultInto(const char *containerPath, const char *folder, int overwrite) {
    const char *slash = strrchr(containerPath, '\\');
    const char *fileName = slash ? slash + 1 : containerPath;
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return MaintenanceOutcomeOf(kMaintenanceUntold);
    std::string target = folder;
    if (target.back() != '\\') target += '\\';
    target += fileName;
    if (SameFile(containerPath, target.c_str())) return MaintenanceOutcomeOf(kVaultBackupHoldsVault);
    if (!overwrite && GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return MaintenanceOutcomeOf(kVaultBackupExists);
    if (!CopyBeside(containerPath, target)) return MaintenanceOutcomeOf(kVaultBackupFailed);
    return MaintenanceOutcomeOf(kMaintenanceOk);
}
