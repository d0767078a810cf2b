// Sector chaining: each 512-byte sector is CBC-chained on its own with the
// 128-bit little-endian sector counter as initial vector.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "crypto/core/aes.h"

struct SectorCounter {
    uint32_t words[4];  // least significant word first
};

// In place over lengthBytes / 16 whole blocks; the counter advances once per sector.
void SectorEncrypt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context);
void SectorDecrypt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context);

// SectorDecrypt for bulk reads of many consecutive sectors: the same bytes and
// counter, on the widest path the processor and operating system allow (VAES
// where present). Kept apart so that the product's sector path stays as it is.
void SectorDecryptBulk(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context);
