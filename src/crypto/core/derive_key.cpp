#include "crypto/core/derive_key.h"
#include "crypto/core/byte_order.h"
#include "crypto/core/md5.h"
#include "crypto/core/md5_compress.h"
#include "crypto/core/secure_wipe.h"

#include <string.h>

// HMAC-MD5 with the password as the fixed message and a changing key. The
// padded tail of the inner message and the outer block layout never change,
// so they are prepared once and each HMAC is a handful of bare compressions.
namespace {

const uint32_t kMd5Initial[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};

struct PasswordMac {
    const unsigned char *password;
    size_t fullBlocks;        // whole 64-byte blocks of the password
    unsigned char tail[128];  // rest of the password, padding and length
    unsigned tailBlocks;      // 1 or 2
    unsigned char outer[64];  // inner digest slot, padding and length
};

void Prepare(PasswordMac *mac, const unsigned char *password, size_t length) {
    mac->password = password;
    mac->fullBlocks = length / 64;
    size_t rest = length % 64;
    memset(mac->tail, 0, sizeof mac->tail);
    if (rest) memcpy(mac->tail, password + 64 * mac->fullBlocks, rest);
    mac->tail[rest] = 0x80;
    mac->tailBlocks = rest + 9 <= 64 ? 1 : 2;
    StoreLe64(mac->tail + 64 * mac->tailBlocks - 8, (64 + uint64_t(length)) << 3);  // bits

    memset(mac->outer, 0, sizeof mac->outer);
    mac->outer[16] = 0x80;
    StoreLe64(mac->outer + 56, (64 + 16) << 3);
}

// key is at most 64 bytes here.
void Compute(PasswordMac *mac, const unsigned char *key, unsigned keyLength, unsigned char *out16) {
    unsigned char pad[64];
    memset(pad, 0x36, sizeof pad);
    for (unsigned i = 0; i < keyLength; ++i) pad[i] ^= key[i];

    uint32_t state[4];
    memcpy(state, kMd5Initial, sizeof state);
    Md5Compress(state, pad);
    for (size_t b = 0; b < mac->fullBlocks; ++b) Md5Compress(state, mac->password + 64 * b);
    for (unsigned b = 0; b < mac->tailBlocks; ++b) Md5Compress(state, mac->tail + 64 * b);
    for (int i = 0; i < 4; ++i) StoreLe32(mac->outer + 4 * i, state[i]);

    for (int i = 0; i < 64; ++i) pad[i] ^= 0x36 ^ 0x5C;
    memcpy(state, kMd5Initial, sizeof state);
    Md5Compress(state, pad);
    Md5Compress(state, mac->outer);
    for (int i = 0; i < 4; ++i) StoreLe32(out16 + 4 * i, state[i]);
    SecureWipe(pad, sizeof pad);
    SecureWipe(state, sizeof state);
}

}  // namespace

void DeriveKey(const unsigned char *password, size_t passwordLength, const unsigned char *salt, size_t saltLength,
               unsigned iterations, unsigned char *out, size_t outLength) {
    if (outLength == 0) return;

    PasswordMac mac;
    Prepare(&mac, password, passwordLength);

    const size_t blocks = (outLength + 15) / 16;
    for (uint32_t index = 1; index <= blocks; ++index) {
        // First key: salt followed by the block index, 32-bit big-endian. A key
        // longer than the MD5 block is replaced by its digest, as HMAC does.
        unsigned char key[64];
        unsigned keyLength;
        unsigned char indexBytes[4];
        StoreBe32(indexBytes, index);
        if (saltLength + 4 <= 64) {
            if (saltLength) memcpy(key, salt, saltLength);
            memcpy(key + saltLength, indexBytes, 4);
            keyLength = unsigned(saltLength) + 4;
        } else {
            Md5State md5;
            Md5Init(&md5);
            Md5Update(&md5, salt, saltLength);
            Md5Update(&md5, indexBytes, 4);
            Md5Final(key, &md5);
            keyLength = 16;
        }

        unsigned char u[16], t[16];
        Compute(&mac, key, keyLength, u);
        memcpy(t, u, 16);
        for (unsigned n = 1; n < iterations; ++n) {
            Compute(&mac, u, 16, u);
            for (int i = 0; i < 16; ++i) t[i] ^= u[i];
        }

        size_t offset = 16 * size_t(index - 1);
        size_t take = outLength - offset < 16 ? outLength - offset : 16;
        memcpy(out + offset, t, take);
        SecureWipe(key, sizeof key);
        SecureWipe(u, sizeof u);
        SecureWipe(t, sizeof t);
    }
    SecureWipe(&mac, sizeof mac);
}
