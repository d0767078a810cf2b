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
#include "shell/ui/message_box.h"

namespace {

const char kWrongPassword[] = "Either Username or Password is incorrect.";
const char kCheckVaultFile[] = "\nEnsure you have selected the correct Vault File Name.";
const char kCheckVaultInfoFile[] = "\nEnsure you have selected the correct Vault Information File.";

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
    HWND owner;
    std::string user;
    const BackupChoice *backup;

    int Refuse(const std::string &text) {
        ShowMessageBox(owner, text.c_str());
        return 0;
    }

    int VaultFileRefused(VaultFileOutcome outcome) {
        if (!backup) return Refuse("Vault for user " + user + " either not found or not accessible.");
        if (outcome == kVaultFileReadFailed)
            return Refuse(std::string("The selected vault file is either in user or not accessible.") +
                          kCheckVaultFile);
        return Refuse(std::string("The selected vault file is either in use or not accessible.") + kCheckVaultFile);
    }

    // Reads the 512-byte vault information file; 1 or 0 after its message.
    int ReadVaultInfo(unsigned char *vaultInfo) {
        char path[kPathSize];
        if (backup) {
            strncpy(path, backup->vaultInfoPath, sizeof path - 1);
            path[sizeof path - 1] = '\0';
        } else {
            if (!VaultInfoPathOf(user.c_str(), path, sizeof path) ||
                GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
                return Refuse("Vault Information file for user " + user + " not found.");
        }
        FileHandle file(OpenForReadingUnshared(path));
        if (!file.ok()) {
            if (backup)
                return Refuse(std::string("The selected vault information file is either in use or not accessible.") +
                              kCheckVaultInfoFile);
            return Refuse("Vault Information file for user " + user + " either not found or not accessible.");
        }
        if (FileSizeOf(file.handle) != kVaultInfoSize) {
            if (backup)
                return Refuse(std::string("The selected vault information file either does not contain data "
                                          "or its size is incorrect.") +
                              kCheckVaultInfoFile);
            return Refuse("The Vault Information file for user " + user +
                          " may be either corrupt or not accessible.\nIf you have a backup, then restore from backup.");
        }
        if (ReadUpTo(file.handle, vaultInfo, kVaultInfoSize) != kVaultInfoSize)
            return Refuse(
                "There was error reading Vault Information File.\n"
                "The file may be either corrupt or is not accessible.");
        return 1;
    }
};

}  // namespace

int VaultInfoPathOf(const char *userName, char *path, size_t pathSize) {
    int n = snprintf(path, pathSize, "%s\\Key\\%s.vault", g_process.programFolder, userName);
    return n > 0 && static_cast<size_t>(n) < pathSize;
}

int CheckVaultInfo(HWND owner, const char *password, const char *vaultPath, const char *userName,
                   const char *tokenPassword, const BackupChoice *backup) {
    unsigned char record[kUserInfoSize];
    if (!ReadUserInfo(owner, backup, tokenPassword, record, password, vaultPath)) return 0;
    unsigned char keyBlock[kUserKeyBlockSize];
    OpenUserKeyBlock(record, password, keyBlock);
    SecureWipe(record, sizeof record);
    unsigned char vaultKey[kVaultKeyLength];
    ComputeVaultKey(keyBlock, kUserKeyBlockSize, vaultKey);
    SecureWipe(keyBlock, sizeof keyBlock);

    Checker checker{owner, userName, backup};
    int result = 0;
    unsigned char sector[kVaultSectorSize], checkText[kVaultInfoSize], vaultInfo[kVaultInfoSize];
    VaultFileOutcome read = ReadFirstSector(vaultPath, sector);
    if (read != kVaultFileRead) {
        checker.VaultFileRefused(read);
    } else if (!MakeVaultCheckText(sector, vaultKey, checkText)) {
        checker.Refuse("Unexpected error.\nTry Again.");
    } else if (checker.ReadVaultInfo(vaultInfo)) {
        if (CompareVaultInfo(sector, vaultKey, vaultInfo) == kVaultInfoMatches)
            result = 1;
        else
            checker.Refuse(kWrongPassword);
    }
    SecureWipe(vaultKey, sizeof vaultKey);
    return result;
}
