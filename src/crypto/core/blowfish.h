// Blowfish with this system's little-endian block halves, used in codebook mode.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct BlowfishContext {
    uint32_t p[18];
    uint32_t s[4][256];
};

// Full key schedule; keys longer than 72 bytes use their first 72 bytes.
void BlowfishSetKey(BlowfishContext *context, size_t keyLengthBytes, const unsigned char *key);
// One 8-byte block in place; halves are read and written little-endian.
void BlowfishEncryptBlock(unsigned char *block8, const BlowfishContext *context);
void BlowfishDecryptBlock(unsigned char *block8, const BlowfishContext *context);

// Codebook use over a buffer: every whole 8-byte block on its own, in place;
// bytes past the last whole block are left alone.
void BlowfishEncryptBuffer(unsigned char *buffer, size_t lengthBytes, const BlowfishContext *context);
void BlowfishDecryptBuffer(unsigned char *buffer, size_t lengthBytes, const BlowfishContext *context);
