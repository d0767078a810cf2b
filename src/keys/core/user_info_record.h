// The 852-byte user information record: salt in clear, the identity text sealed
// under the user key block, and the user key block sealed under the password.
#pragma once
#include <stddef.h>

enum {
    kUserInfoSize = 852,
    kUserInfoPartSize = 426,  // each half of a split backup
    kUserKeyBlockSize = 256,
    kIdentitySize = 576,
    kRecordSaltOffset = 0,
    kIdentityOffset = 20,
    kSealedKeyOffset = 596,
    kBlowfishKeySize = 32,
};

// Lower-cases A-Z only and zero-fills to 576 bytes. 0 when the path leaves no
// room for its terminating NUL.
int MakeIdentityText(const char *vaultPath, unsigned char *identity576);

// First 32 bytes of DeriveKey(secret, salt, 1000, 256); the secret is used
// without its NUL.
void DeriveSealingKey(const char *secret, const unsigned char *salt20, unsigned char *key32);

// Blowfish in codebook mode over a buffer of whole 8-byte blocks, in place.
void BlowfishSeal(const unsigned char *key32, unsigned char *buffer, size_t length);
void BlowfishOpen(const unsigned char *key32, unsigned char *buffer, size_t length);

// Builds the record from the caller's salt and user key block. 1 on success,
// 0 when the vault path does not fit into the identity block.
int BuildUserInfo(const unsigned char *salt20, const unsigned char *userKeyBlock256, const char *password,
                  const char *vaultPath, unsigned char *record852);

// Opens the sealed key block with the password. A wrong password yields an
// unrelated block; only the identity check can tell.
void OpenUserKeyBlock(const unsigned char *record852, const char *password, unsigned char *userKeyBlock256);

// 1 when the identity block, opened with the candidate key block, holds the
// lower-cased vault path. The opened text is read only inside its 576 bytes.
int IdentityNamesPath(const unsigned char *record852, const unsigned char *userKeyBlock256, const char *vaultPath);

// OpenUserKeyBlock followed by IdentityNamesPath: 1 when the password is right
// for a record made for this vault path.
int UserInfoAcceptsPassword(const unsigned char *record852, const char *password, const char *vaultPath);

// Split backups: part 1 holds bytes 0-425, part 2 bytes 426-851.
void SplitUserInfo(const unsigned char *record852, unsigned char *part1, unsigned char *part2);
void JoinUserInfo(const unsigned char *part1, const unsigned char *part2, unsigned char *record852);

// The AES-256 vault key: first 32 bytes of SHA-512 over the user key block.
void ComputeVaultKey(const unsigned char *userKeyBlock, size_t length, unsigned char *vaultKey32);
