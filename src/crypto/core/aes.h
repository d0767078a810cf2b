// AES (FIPS-197) block cipher: constant-time bitsliced, with an AES-NI path
// chosen at run time.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct AesContext {
    uint32_t encryptRoundKeys[64];
    uint32_t decryptRoundKeys[64];  // equivalent inverse cipher schedule
    int32_t rounds;                 // 10, 12 or 14
};

// Outcome of AesSetKey; the values are those the interface has always returned.
enum AesKeyStatus {
    kAesKeyOk = 0,
    kAesKeyLengthInvalid = 3,   // not 16, 24 or 32 bytes
    kAesKeyRoundsMismatch = 4,  // a non-zero rounds that disagrees with the key length
};

// The context is untouched unless the status is kAesKeyOk.
AesKeyStatus AesSetKey(const unsigned char *key, size_t keyLengthBytes, int rounds, AesContext *context);

// One 16-byte block; in16 and out16 may be the same buffer.
void AesEncryptBlock(const unsigned char *in16, unsigned char *out16, const AesContext *context);
void AesDecryptBlock(const unsigned char *in16, unsigned char *out16, const AesContext *context);
