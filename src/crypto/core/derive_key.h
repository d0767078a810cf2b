// Password-based key derivation: PBKDF2 in shape over HMAC-MD5, with the
// password as the HMAC message and the salt/previous block as the HMAC key.
#pragma once
#include <stddef.h>

enum { kSaltLength = 20, kDeriveIterations = 1000, kDerivedKeyLength = 256, kVaultKeyLength = 32 };

// A salt longer than 60 bytes is hashed with the block index first (MD5), as
// HMAC does with a long key; the system's salts are 20 bytes.
void DeriveKey(const unsigned char *password, size_t passwordLength, const unsigned char *salt, size_t saltLength,
               unsigned iterations, unsigned char *out, size_t outLength);
