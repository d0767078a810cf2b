#include "crypto/blowfish.h"
#include "crypto/blowfish_init.h"

#include <string.h>

namespace {

inline uint32_t F(const BlowfishContext *c, uint32_t x) {
    return ((c->s[0][x >> 24] + c->s[1][(x >> 16) & 0xFF]) ^ c->s[2][(x >> 8) & 0xFF]) + c->s[3][x & 0xFF];
}

// Two rounds per step keep the halves in place and avoid the swaps.
inline void EncryptHalves(uint32_t &left, uint32_t &right, const BlowfishContext *c) {
    uint32_t l = left, r = right;
    const uint32_t *p = c->p;
    for (int i = 0; i < 16; i += 2) {
        l ^= p[i];
        r ^= F(c, l);
        r ^= p[i + 1];
        l ^= F(c, r);
    }
    l ^= p[16];
    r ^= p[17];
    left = r;
    right = l;
}

inline void DecryptHalves(uint32_t &left, uint32_t &right, const BlowfishContext *c) {
    uint32_t l = left, r = right;
    const uint32_t *p = c->p;
    for (int i = 17; i > 1; i -= 2) {
        l ^= p[i];
        r ^= F(c, l);
        r ^= p[i - 1];
        l ^= F(c, r);
    }
    l ^= p[1];
    r ^= p[0];
    left = r;
    right = l;
}

inline uint32_t LoadLittleEndian(const unsigned char *b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

inline void StoreLittleEndian(uint32_t w, unsigned char *b) {
    b[0] = (unsigned char)w;
    b[1] = (unsigned char)(w >> 8);
    b[2] = (unsigned char)(w >> 16);
    b[3] = (unsigned char)(w >> 24);
}

}  // namespace

void BlowfishSetKey(BlowfishContext *context, int keyLengthBytes, const unsigned char *key) {
    static_assert(sizeof(BlowfishContext) == sizeof(kBlowfishInitialState), "P-array then S-boxes");
    memcpy(context->p, kBlowfishInitialState, 18 * sizeof(uint32_t));
    memcpy(context->s, kBlowfishInitialState + 18, sizeof(context->s));

    if (keyLengthBytes > 72) keyLengthBytes = 72;
    if (keyLengthBytes > 0) {
        int k = 0;
        for (int i = 0; i < 18; ++i) {
            uint32_t word = 0;
            for (int b = 0; b < 4; ++b) {
                word = (word << 8) | key[k];
                if (++k == keyLengthBytes) k = 0;
            }
            context->p[i] ^= word;
        }
    }

    uint32_t left = 0, right = 0;
    for (int i = 0; i < 18; i += 2) {
        EncryptHalves(left, right, context);
        context->p[i] = left;
        context->p[i + 1] = right;
    }
    for (int box = 0; box < 4; ++box) {
        for (int i = 0; i < 256; i += 2) {
            EncryptHalves(left, right, context);
            context->s[box][i] = left;
            context->s[box][i + 1] = right;
        }
    }
}

void BlowfishEncryptBlock(unsigned char *block8, const BlowfishContext *context) {
    uint32_t left = LoadLittleEndian(block8), right = LoadLittleEndian(block8 + 4);
    EncryptHalves(left, right, context);
    StoreLittleEndian(left, block8);
    StoreLittleEndian(right, block8 + 4);
}

void BlowfishDecryptBlock(unsigned char *block8, const BlowfishContext *context) {
    uint32_t left = LoadLittleEndian(block8), right = LoadLittleEndian(block8 + 4);
    DecryptHalves(left, right, context);
    StoreLittleEndian(left, block8);
    StoreLittleEndian(right, block8 + 4);
}
