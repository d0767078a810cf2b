#include "crypto/derive_key.h"
#include "crypto/md5.h"
#include "crypto/md5_compress.h"
#include "crypto/secure_wipe.h"

#include <string.h>

// HMAC-MD5 with the password as the fixed message and a changing key. The
// padded tail of the inner message and the outer block layout never change,
// so they are prepared once and each HMAC is a handful of bare compressions.
namespace {

const uint32_t kMd5Initial[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};

struct PasswordMac {
    const unsigned char *password;
    unsigned fullBlocks;        // whole 64-byte blocks of the password
    unsigned char tail[128];    // rest of the password, padding and length
    unsigned tailBlocks;        // 1 or 2
    unsigned char outer[64];    // inner digest slot, padding and length
};

void StoreLittleEndian(uint32_t w, unsigned char *p) {
    p[0] = (unsigned char)w;
    p[1] = (unsigned char)(w >> 8);
    p[2] = (unsigned char)(w >> 16);
    p[3] = (unsigned char)(w >> 24);
}

void StoreBitLength(uint64_t bytes, unsigned char *p) {
    uint64_t bits = bytes << 3;
    for (int i = 0; i < 8; ++i) p[i] = (unsigned char)(bits >> (8 * i));
}

void Prepare(PasswordMac *mac, const unsigned char *password, unsigned length) {
    mac->password = password;
    mac->fullBlocks = length / 64;
    unsigned rest = length % 64;
    memset(mac->tail, 0, sizeof mac->tail);
    if (rest) memcpy(mac->tail, password + 64 * mac->fullBlocks, rest);
    mac->tail[rest] = 0x80;
    mac->tailBlocks = rest + 9 <= 64 ? 1 : 2;
    StoreBitLength(64 + uint64_t(length), mac->tail + 64 * mac->tailBlocks - 8);

    memset(mac->outer, 0, sizeof mac->outer);
    mac->outer[16] = 0x80;
    StoreBitLength(64 + 16, mac->outer + 56);
}

// key is at most 64 bytes here.
void Compute(PasswordMac *mac, const unsigned char *key, unsigned keyLength, unsigned char *out16) {
    unsigned char pad[64];
    memset(pad, 0x36, sizeof pad);
    for (unsigned i = 0; i < keyLength; ++i) pad[i] ^= key[i];

    uint32_t state[4];
    memcpy(state, kMd5Initial, sizeof state);
    Md5Compress(state, pad);
    for (unsigned b = 0; b < mac->fullBlocks; ++b) Md5Compress(state, mac->password + 64 * b);
    for (unsigned b = 0; b < mac->tailBlocks; ++b) Md5Compress(state, mac->tail + 64 * b);
    for (int i = 0; i < 4; ++i) StoreLittleEndian(state[i], mac->outer + 4 * i);

    for (int i = 0; i < 64; ++i) pad[i] ^= 0x36 ^ 0x5C;
    memcpy(state, kMd5Initial, sizeof state);
    Md5Compress(state, pad);
    Md5Compress(state, mac->outer);
    for (int i = 0; i < 4; ++i) StoreLittleEndian(state[i], out16 + 4 * i);
    SecureWipe(pad, sizeof pad);
    SecureWipe(state, sizeof state);
}

}  // namespace

void DeriveKey(const unsigned char *password, int passwordLength, const unsigned char *salt, int saltLength,
               int iterations, unsigned char *out, int outLength) {
    if (outLength <= 0) return;
    if (passwordLength < 0) passwordLength = 0;
    if (saltLength < 0) saltLength = 0;

    PasswordMac mac;
    Prepare(&mac, password, unsigned(passwordLength));

    const int blocks = (outLength + 15) / 16;
    for (int index = 1; index <= blocks; ++index) {
        // First key: salt followed by the block index, 32-bit big-endian. A key
        // longer than the MD5 block is replaced by its digest, as HMAC does.
        unsigned char key[64];
        unsigned keyLength;
        const unsigned char indexBytes[4] = {(unsigned char)(index >> 24), (unsigned char)(index >> 16),
                                             (unsigned char)(index >> 8), (unsigned char)index};
        if (saltLength + 4 <= 64) {
            if (saltLength) memcpy(key, salt, size_t(saltLength));
            memcpy(key + saltLength, indexBytes, 4);
            keyLength = unsigned(saltLength) + 4;
        } else {
            Md5State md5;
            Md5Init(&md5);
            Md5Update(&md5, salt, unsigned(saltLength));
            Md5Update(&md5, indexBytes, 4);
            Md5Final(key, &md5);
            keyLength = 16;
        }

        unsigned char u[16], t[16];
        Compute(&mac, key, keyLength, u);
        memcpy(t, u, 16);
        for (int n = 1; n < iterations; ++n) {
            Compute(&mac, u, 16, u);
            for (int i = 0; i < 16; ++i) t[i] ^= u[i];
        }

        int offset = 16 * (index - 1);
        int take = outLength - offset < 16 ? outLength - offset : 16;
        memcpy(out + offset, t, size_t(take));
        SecureWipe(key, sizeof key);
        SecureWipe(u, sizeof u);
        SecureWipe(t, sizeof t);
    }
    SecureWipe(&mac, sizeof mac);
}
