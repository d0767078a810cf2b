#include "crypto/core/blowfish.h"
#include "crypto/core/blowfish_init.h"
#include "crypto/core/byte_order.h"

#include <string.h>

namespace {

#define BLOWFISH_F(x) ((((s0[(x) >> 24] + s1[((x) >> 16) & 0xFF]) ^ s2[((x) >> 8) & 0xFF]) + s3[(x)&0xFF]))

// Runs `lanes` independent blocks side by side: one block's rounds are a
// serial chain of table loads, so several blocks keep the processor busy.
template <int lanes>
inline void EncryptLanes(uint32_t *left, uint32_t *right, const BlowfishContext *c) {
    const uint32_t *s0 = c->s[0], *s1 = c->s[1], *s2 = c->s[2], *s3 = c->s[3], *p = c->p;
    uint32_t l[lanes], r[lanes];
    for (int k = 0; k < lanes; ++k) l[k] = left[k], r[k] = right[k];
    for (int i = 0; i < 16; i += 2) {
        for (int k = 0; k < lanes; ++k) {
            l[k] ^= p[i];
            r[k] ^= BLOWFISH_F(l[k]) ^ p[i + 1];
        }
        for (int k = 0; k < lanes; ++k) l[k] ^= BLOWFISH_F(r[k]);
    }
    for (int k = 0; k < lanes; ++k) {
        left[k] = r[k] ^ p[17];
        right[k] = l[k] ^ p[16];
    }
}

template <int lanes>
inline void DecryptLanes(uint32_t *left, uint32_t *right, const BlowfishContext *c) {
    const uint32_t *s0 = c->s[0], *s1 = c->s[1], *s2 = c->s[2], *s3 = c->s[3], *p = c->p;
    uint32_t l[lanes], r[lanes];
    for (int k = 0; k < lanes; ++k) l[k] = left[k], r[k] = right[k];
    for (int i = 17; i > 1; i -= 2) {
        for (int k = 0; k < lanes; ++k) {
            l[k] ^= p[i];
            r[k] ^= BLOWFISH_F(l[k]) ^ p[i - 1];
        }
        for (int k = 0; k < lanes; ++k) l[k] ^= BLOWFISH_F(r[k]);
    }
    for (int k = 0; k < lanes; ++k) {
        left[k] = r[k] ^ p[0];
        right[k] = l[k] ^ p[1];
    }
}

inline void EncryptHalves(uint32_t &left, uint32_t &right, const BlowfishContext *c) {
    EncryptLanes<1>(&left, &right, c);
}

}  // namespace

void BlowfishSetKey(BlowfishContext *context, size_t keyLengthBytes, const unsigned char *key) {
    static_assert(sizeof(BlowfishContext) == sizeof(kBlowfishInitialState), "P-array then S-boxes");
    memcpy(context->p, kBlowfishInitialState, 18 * sizeof(uint32_t));
    memcpy(context->s, kBlowfishInitialState + 18, sizeof(context->s));

    if (keyLengthBytes > 72) keyLengthBytes = 72;
    if (keyLengthBytes > 0) {
        size_t k = 0;
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

namespace {

template <int lanes, bool encrypt>
inline void ProcessBlocks(unsigned char *blocks, const BlowfishContext *context) {
    uint32_t left[lanes], right[lanes];
    for (int k = 0; k < lanes; ++k) {
        left[k] = LoadLe32(blocks + 8 * k);
        right[k] = LoadLe32(blocks + 8 * k + 4);
    }
    if (encrypt)
        EncryptLanes<lanes>(left, right, context);
    else
        DecryptLanes<lanes>(left, right, context);
    for (int k = 0; k < lanes; ++k) {
        StoreLe32(blocks + 8 * k, left[k]);
        StoreLe32(blocks + 8 * k + 4, right[k]);
    }
}

template <bool encrypt>
void ProcessBuffer(unsigned char *buffer, size_t lengthBytes, const BlowfishContext *context) {
    size_t blocks = lengthBytes / 8;
    for (; blocks >= 4; blocks -= 4, buffer += 32) ProcessBlocks<4, encrypt>(buffer, context);
    for (; blocks > 0; --blocks, buffer += 8) ProcessBlocks<1, encrypt>(buffer, context);
}

}  // namespace

void BlowfishEncryptBlock(unsigned char *block8, const BlowfishContext *context) {
    ProcessBlocks<1, true>(block8, context);
}

void BlowfishDecryptBlock(unsigned char *block8, const BlowfishContext *context) {
    ProcessBlocks<1, false>(block8, context);
}

void BlowfishEncryptBuffer(unsigned char *buffer, size_t lengthBytes, const BlowfishContext *context) {
    ProcessBuffer<true>(buffer, lengthBytes, context);
}

void BlowfishDecryptBuffer(unsigned char *buffer, size_t lengthBytes, const BlowfishContext *context) {
    ProcessBuffer<false>(buffer, lengthBytes, context);
}
