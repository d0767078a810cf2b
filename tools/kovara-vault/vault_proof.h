// The checks behind every command: the password opens the user information
// from the chosen key source, and the key it yields opens the vault.
#pragma once
#include <string>
#include <vector>

#include "command_line.h"
#include "crypto/core/derive_key.h"
#include "vault_file.h"

struct VaultProof {
    VaultFile vault;
    unsigned char vaultKey[kVaultKeyLength];
    std::vector<std::string> proved;  // one line per fact, in the order proved
    std::vector<std::string> keyFiles;  // backups and vault information read
};

// Refuses at the first check that fails. The vault stays open in proof->vault.
void ProveVault(const Options &options, VaultProof *proof);
// Wipes the key and closes the vault.
void ReleaseProof(VaultProof *proof);

// The identity block opened with a candidate key block: 1 when it is a
// well-formed identity text (a lower-case path, NUL-terminated and
// zero-filled), which an unrelated key block practically never yields.
int OpenIdentityText(const unsigned char *record852, const unsigned char *userKeyBlock256, std::string *path);

// 1 when the decrypted first sector is a boot sector; fileSystem names it.
int IsBootSector(const unsigned char *sector512, std::string *fileSystem);
