#include "crypto/core/md5.h"
#include "crypto/core/byte_order.h"
#include "crypto/core/md5_compress.h"

#include <string.h>

#include "crypto/core/secure_wipe.h"

namespace {

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define MD5_STEP(f, a, b, c, d, m, t, s) (a) = (b) + RotateLeft((a) + f((b), (c), (d)) + (m) + (t), (s))

}  // namespace

void Md5Compress(uint32_t state[4], const unsigned char *block64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLe32(block64 + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    MD5_STEP(MD5_F, a, b, c, d, x[0], 0xD76AA478, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[1], 0xE8C7B756, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[2], 0x242070DB, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[3], 0xC1BDCEEE, 22);
    MD5_STEP(MD5_F, a, b, c, d, x[4], 0xF57C0FAF, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[5], 0x4787C62A, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[6], 0xA8304613, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[7], 0xFD469501, 22);
    MD5_STEP(MD5_F, a, b, c, d, x[8], 0x698098D8, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[9], 0x8B44F7AF, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[10], 0xFFFF5BB1, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[11], 0x895CD7BE, 22);
    MD5_STEP(MD5_F, a, b, c, d, x[12], 0x6B901122, 7);
    MD5_STEP(MD5_F, d, a, b, c, x[13], 0xFD987193, 12);
    MD5_STEP(MD5_F, c, d, a, b, x[14], 0xA679438E, 17);
    MD5_STEP(MD5_F, b, c, d, a, x[15], 0x49B40821, 22);

    MD5_STEP(MD5_G, a, b, c, d, x[1], 0xF61E2562, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[6], 0xC040B340, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[11], 0x265E5A51, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[0], 0xE9B6C7AA, 20);
    MD5_STEP(MD5_G, a, b, c, d, x[5], 0xD62F105D, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[10], 0x02441453, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[15], 0xD8A1E681, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[4], 0xE7D3FBC8, 20);
    MD5_STEP(MD5_G, a, b, c, d, x[9], 0x21E1CDE6, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[14], 0xC33707D6, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[3], 0xF4D50D87, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[8], 0x455A14ED, 20);
    MD5_STEP(MD5_G, a, b, c, d, x[13], 0xA9E3E905, 5);
    MD5_STEP(MD5_G, d, a, b, c, x[2], 0xFCEFA3F8, 9);
    MD5_STEP(MD5_G, c, d, a, b, x[7], 0x676F02D9, 14);
    MD5_STEP(MD5_G, b, c, d, a, x[12], 0x8D2A4C8A, 20);

    MD5_STEP(MD5_H, a, b, c, d, x[5], 0xFFFA3942, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[8], 0x8771F681, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[11], 0x6D9D6122, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[14], 0xFDE5380C, 23);
    MD5_STEP(MD5_H, a, b, c, d, x[1], 0xA4BEEA44, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[4], 0x4BDECFA9, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[7], 0xF6BB4B60, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[10], 0xBEBFBC70, 23);
    MD5_STEP(MD5_H, a, b, c, d, x[13], 0x289B7EC6, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[0], 0xEAA127FA, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[3], 0xD4EF3085, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[6], 0x04881D05, 23);
    MD5_STEP(MD5_H, a, b, c, d, x[9], 0xD9D4D039, 4);
    MD5_STEP(MD5_H, d, a, b, c, x[12], 0xE6DB99E5, 11);
    MD5_STEP(MD5_H, c, d, a, b, x[15], 0x1FA27CF8, 16);
    MD5_STEP(MD5_H, b, c, d, a, x[2], 0xC4AC5665, 23);

    MD5_STEP(MD5_I, a, b, c, d, x[0], 0xF4292244, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[7], 0x432AFF97, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[14], 0xAB9423A7, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[5], 0xFC93A039, 21);
    MD5_STEP(MD5_I, a, b, c, d, x[12], 0x655B59C3, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[3], 0x8F0CCC92, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[10], 0xFFEFF47D, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[1], 0x85845DD1, 21);
    MD5_STEP(MD5_I, a, b, c, d, x[8], 0x6FA87E4F, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[15], 0xFE2CE6E0, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[6], 0xA3014314, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[13], 0x4E0811A1, 21);
    MD5_STEP(MD5_I, a, b, c, d, x[4], 0xF7537E82, 6);
    MD5_STEP(MD5_I, d, a, b, c, x[11], 0xBD3AF235, 10);
    MD5_STEP(MD5_I, c, d, a, b, x[2], 0x2AD7D2BB, 15);
    MD5_STEP(MD5_I, b, c, d, a, x[9], 0xEB86D391, 21);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    SecureWipe(x, sizeof x);
}

void Md5Init(Md5State *state) {
    state->state[0] = 0x67452301;
    state->state[1] = 0xEFCDAB89;
    state->state[2] = 0x98BADCFE;
    state->state[3] = 0x10325476;
    state->bitCount = 0;
}

void Md5Update(Md5State *state, const unsigned char *data, size_t length) {
    if (length == 0) return;
    unsigned used = unsigned(state->bitCount >> 3) & 63;
    state->bitCount += uint64_t(length) << 3;
    if (used) {
        size_t take = 64 - used;
        if (length < take) {
            memcpy(state->buffer + used, data, length);
            return;
        }
        memcpy(state->buffer + used, data, take);
        Md5Compress(state->state, state->buffer);
        data += take;
        length -= take;
    }
    for (; length >= 64; data += 64, length -= 64) Md5Compress(state->state, data);
    memcpy(state->buffer, data, length);
}

void Md5Final(unsigned char *digest16, Md5State *state) {
    uint64_t bits = state->bitCount;
    unsigned used = unsigned(bits >> 3) & 63;
    state->buffer[used++] = 0x80;
    if (used > 56) {
        memset(state->buffer + used, 0, 64 - used);
        Md5Compress(state->state, state->buffer);
        used = 0;
    }
    memset(state->buffer + used, 0, 56 - used);
    StoreLe64(state->buffer + 56, bits);
    Md5Compress(state->state, state->buffer);
    for (int i = 0; i < 4; ++i) StoreLe32(digest16 + 4 * i, state->state[i]);
}
