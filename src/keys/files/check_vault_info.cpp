// Checks the vault information file against the vault's first sector under
// the key that the password opens.
#include <stdio.h>
#include <string.h>

#include <string>

#include "crypto/core/derive_key.h"
#include "keys/files/file_handle.h"
#include "keys/files/key_files.h"
#include "keys/core/user_info_record.h"
#include "keys/core/vault_info_record.h"
#include "crypto/core/secure_wipe.h"
#include "shell/state/process_state.h"

namespace {

enum VaultFileOutcome { kVaultFileRead, kVaultFileNotOpened, kVaultFileReadFailed };

VaultFileOutcome ReadFirstSector(const char *vaultPath, unsigned char *sector) {
    FileHandle vault(OpenForReadingUnshared(vaultPath));
    if (!vault.ok()) return kVaultFileNotOpened;
    long got = ReadUpTo(vault.handle, sector, kVaultSectorSize);
    if (got < 0) return kVaultFileReadFailed;
    if (got != kVaultSectorSize) return kVaultFileNotOpened;
    return kVaultFileRead;
}

struct Checker {
    std::string user;
    const BackupChoice *backup;

    KeysResult Refused(KeysOutcome outcome) const { return KeysOutcomeOf(outcome, user); }

    KeysResult VaultFileRefused(VaultFileOutcome outcome) const {
        if (!backup) return Refused(kVaultNotAccessible);
        return Refused(outcome == kVaultFileReadFailed ? kBackupVaultNotReadable : kBackupVaultNotAccessible);
    }

    // Reads the 512-byte vault information file.
    KeysResult ReadVaultInfo(unsigned char *vaultInfo) const {
        char path[kPathSize];
        if (backup) {
            strncpy(path, backup->vaultInfoPath, sizeof path - 1);
            path[sizeof path - 1] = '\0';
        } else {
            if (!VaultInfoPathOf(user.c_str(), path, sizeof path) ||
                GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
                return Refused(kVaultInfoNotFound);
        }
        FileHandle file(OpenForReadingUnshared(path));
        if (!file.ok()) return Refused(backup ? kBackupVaultInfoNotAccessible : kVaultInfoNotAccessible);
        if (FileSizeOf(file.handle) != kVaultInfoSize)
            return Refused(backup ? kBackupVaultInfoWrongSize : kVaultInfoCorrupt);
        if (ReadUpTo(file.handle, vaultInfo, kVaultInfoSize) != kVaultInfoSize) return Refused(kVaultInfoNotRead);
        return Refused(kKeysOk);
    }
};

}  // namespace

int VaultInfoPathOf(const char *userName, char *path, size_t pathSize) {
    int n = snprintf(path, pathSize, "%s\\Key\\%s.vault", g_process.programFolder, userName);
    return n > 0 && static_cast<size_t>(n) < pathSize;
}

KeysResult CheckVaultInfo(HWND owner, const char *password, const char *vaultPath, const char *userName,
                          const char *tokenPassword, const BackupChoice *backup) {
    unsigned char vaultKey[kVaultKeyLength];
    KeysResult read = ReadVaultKey(owner, password, kUserKeyBlockSize, tokenPassword, backup, vaultPath, vaultKey);
    if (read.outcome != kKeysOk) return read;

    Checker checker{userName, backup};
    KeysResult result = {};
    unsigned char sector[kVaultSectorSize], checkText[kVaultInfoSize], vaultInfo[kVaultInfoSize];
    VaultFileOutcome sectorRead = ReadFirstSector(vaultPath, sector);
    if (sectorRead != kVaultFileRead) {
        result = checker.VaultFileRefused(sectorRead);
    } else if (!MakeVaultCheckText(sector, vaultKey, checkText)) {
        result = checker.Refused(kVaultCheckFailed);
    } else {
        result = checker.ReadVaultInfo(vaultInfo);
        if (result.outcome == kKeysOk && CompareVaultInfo(sector, vaultKey, vaultInfo) != kVaultInfoMatches)
            result = checker.Refused(kKeysWrongPassword);
    }
    SecureWipe(vaultKey, sizeof vaultKey);
    return result;
}
