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

// Reads count bytes of the decrypted volume at offset (inside the vault: the
// caller clamps) a piece at a time through the whole sectors around it. Each
// piece goes through scratch, scratchSize bytes (a piece and a sector either
// side, so more than two sectors), which is wiped after the read. The count
// read, short when the vault's read fails part way, or -1 with errno set when
// nothing was read.
long long ReadDecryptedBytes(const VaultFile &vault, const AesContext *context, unsigned char *out, uint64_t count,
                             uint64_t offset, unsigned char *scratch, size_t scratchSize);
