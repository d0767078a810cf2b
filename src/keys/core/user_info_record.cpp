#include "keys/core/user_info_record.h"

#include <string.h>

#include "crypto/core/blowfish.h"
#include "crypto/core/derive_key.h"
#include "crypto/core/sha512.h"
#include "crypto/core/secure_wipe.h"

int MakeIdentityText(const char *vaultPath, unsigned char *identity576) {
    memset(identity576, 0, kIdentitySize);
    size_t length = strlen(vaultPath);
    if (length >= size_t(kIdentitySize)) return 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(vaultPath[i]);
        identity576[i] = (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    }
    return 1;
}

void DeriveSealingKey(const char *secret, const unsigned char *salt20, unsigned char *key32) {
    unsigned char derived[kDerivedKeyLength];
    DeriveKey(reinterpret_cast<const unsigned char *>(secret), static_cast<int>(strlen(secret)), salt20, kSaltLength,
              kDeriveIterations, derived, kDerivedKeyLength);
    memcpy(key32, derived, kBlowfishKeySize);
    SecureWipe(derived, sizeof derived);
}

namespace {

void BlowfishCodebook(const unsigned char *key32, unsigned char *buffer, size_t length, bool seal) {
    BlowfishContext context;
    BlowfishSetKey(&context, kBlowfishKeySize, key32);
    if (seal)
        BlowfishEncryptBuffer(buffer, length, &context);
    else
        BlowfishDecryptBuffer(buffer, length, &context);
    SecureWipe(&context, sizeof context);
}

}  // namespace

void BlowfishSeal(const unsigned char *key32, unsigned char *buffer, size_t length) {
    BlowfishCodebook(key32, buffer, length, true);
}

void BlowfishOpen(const unsigned char *key32, unsigned char *buffer, size_t length) {
    BlowfishCodebook(key32, buffer, length, false);
}

int BuildUserInfo(const unsigned char *salt20, const unsigned char *userKeyBlock256, const char *password,
                  const char *vaultPath, unsigned char *record852) {
    unsigned char identity[kIdentitySize];
    if (!MakeIdentityText(vaultPath, identity)) return 0;
    memcpy(record852 + kRecordSaltOffset, salt20, kSaltLength);

    BlowfishSeal(userKeyBlock256, identity, kIdentitySize);
    memcpy(record852 + kIdentityOffset, identity, kIdentitySize);

    unsigned char passwordKey[kBlowfishKeySize];
    DeriveSealingKey(password, salt20, passwordKey);
    unsigned char sealed[kUserKeyBlockSize];
    memcpy(sealed, userKeyBlock256, kUserKeyBlockSize);
    BlowfishSeal(passwordKey, sealed, kUserKeyBlockSize);
    memcpy(record852 + kSealedKeyOffset, sealed, kUserKeyBlockSize);

    SecureWipe(passwordKey, sizeof passwordKey);
    SecureWipe(sealed, sizeof sealed);
    SecureWipe(identity, sizeof identity);
    return 1;
}

void OpenUserKeyBlock(const unsigned char *record852, const char *password, unsigned char *userKeyBlock256) {
    unsigned char passwordKey[kBlowfishKeySize];
    DeriveSealingKey(password, record852 + kRecordSaltOffset, passwordKey);
    memcpy(userKeyBlock256, record852 + kSealedKeyOffset, kUserKeyBlockSize);
    BlowfishOpen(passwordKey, userKeyBlock256, kUserKeyBlockSize);
    SecureWipe(passwordKey, sizeof passwordKey);
}

int IdentityNamesPath(const unsigned char *record852, const unsigned char *userKeyBlock256, const char *vaultPath) {
    unsigned char expected[kIdentitySize];
    unsigned char opened[kIdentitySize];
    if (!MakeIdentityText(vaultPath, expected)) return 0;
    memcpy(opened, record852 + kIdentityOffset, kIdentitySize);
    BlowfishOpen(userKeyBlock256, opened, kIdentitySize);

    // A wrong key gives arbitrary bytes, possibly without any NUL: the text
    // ends at the first NUL inside the block, or the block does not match.
    const void *end = memchr(opened, 0, kIdentitySize);
    int same = 0;
    if (end) {
        size_t openedLength = static_cast<size_t>(static_cast<const unsigned char *>(end) - opened);
        size_t expectedLength = strlen(reinterpret_cast<const char *>(expected));
        same = openedLength == expectedLength && memcmp(opened, expected, openedLength) == 0;
    }
    SecureWipe(opened, sizeof opened);
    return same;
}

int UserInfoAcceptsPassword(const unsigned char *record852, const char *password, const char *vaultPath) {
    unsigned char candidate[kUserKeyBlockSize];
    OpenUserKeyBlock(record852, password, candidate);
    int accepted = IdentityNamesPath(record852, candidate, vaultPath);
    SecureWipe(candidate, sizeof candidate);
    return accepted;
}

void SplitUserInfo(const unsigned char *record852, unsigned char *part1, unsigned char *part2) {
    memcpy(part1, record852, kUserInfoPartSize);
    memcpy(part2, record852 + kUserInfoPartSize, kUserInfoPartSize);
}

void JoinUserInfo(const unsigned char *part1, const unsigned char *part2, unsigned char *record852) {
    memcpy(record852, part1, kUserInfoPartSize);
    memcpy(record852 + kUserInfoPartSize, part2, kUserInfoPartSize);
}

void ComputeVaultKey(const unsigned char *userKeyBlock, size_t length, unsigned char *vaultKey32) {
    Sha512Truncated(userKeyBlock, length, vaultKey32, kVaultKeyLength);
}
