// Password-based key derivation: PBKDF2 in shape over HMAC-MD5, with the
// password as the HMAC message and the salt/previous block as the HMAC key.
#pragma once

enum { kSaltLength = 20, kDeriveIterations = 1000, kDerivedKeyLength = 256, kVaultKeyLength = 32 };

// saltLength must be at most 60.
void DeriveKey(const unsigned char *password, int passwordLength, const unsigned char *salt, int saltLength,
               int iterations, unsigned char *out, int outLength);
