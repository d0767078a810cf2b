// The vault (container) file, opened read-only: the tool never writes to it.
// Its sectors are stored one by one under the vault key with the sector
// chaining, each sector's number as its counter, from the file's first byte.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "crypto/core/aes.h"

enum { kSectorSize = 512 };

struct VaultFile {
    int fd = -1;  // -1 until opened, so that closing a proof that failed early closes nothing
    uint64_t bytes = 0;  // a whole number of sectors
    std::string path;
};

// Refuses when the file cannot be opened or is not a whole number of sectors.
VaultFile OpenVaultFile(const std::string &path);
void CloseVaultFile(VaultFile *vault);

// Reads length bytes at offset (both inside the file); 0 and errno set on failure.
int ReadVaultBytes(const VaultFile &vault, unsigned char *buffer, size_t length, uint64_t offset);

// Decrypts whole sectors in place; the first one is numbered firstSector.
void DecryptSectors(const AesContext *context, unsigned char *buffer, size_t length, uint64_t firstSector);
