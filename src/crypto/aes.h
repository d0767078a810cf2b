// AES (FIPS-197) block cipher, table-driven, with an AES-NI path chosen at run time.
#pragma once
#include <stdint.h>

struct AesContext {
    uint32_t encryptRoundKeys[64];
    uint32_t decryptRoundKeys[64];  // equivalent inverse cipher schedule
    int32_t rounds;                 // 10, 12 or 14
};

// Returns 0 on success, 3 for a key length other than 16/24/32, 4 when a
// non-zero rounds disagrees with the key length. The context is untouched on failure.
int AesSetKey(const unsigned char *key, int keyLengthBytes, int rounds, AesContext *context);

// One 16-byte block; in16 and out16 may be the same buffer.
void AesEncryptBlock(const unsigned char *in16, unsigned char *out16, const AesContext *context);
void AesDecryptBlock(const unsigned char *in16, unsigned char *out16, const AesContext *context);
