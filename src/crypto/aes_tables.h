// AES lookup tables, computed at compile time from the field arithmetic of
// FIPS-197 so that no hand-typed constant can be wrong. Internal to the core.
#pragma once
#include <stdint.h>

namespace aes_detail {

constexpr uint8_t Xtime(uint8_t b) { return uint8_t((b << 1) ^ ((b & 0x80) ? 0x1B : 0)); }

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    for (int i = 0; i < 8; ++i) {
        if (b & 1) product ^= a;
        a = Xtime(a);
        b >>= 1;
    }
    return product;
}

constexpr uint32_t RotateRight8(uint32_t w) { return (w >> 8) | (w << 24); }

struct Tables {
    uint8_t sbox[256];
    uint8_t inverseSbox[256];
    uint32_t encrypt[4][256];  // column contributions of SubBytes+MixColumns
    uint32_t decrypt[4][256];  // InvSubBytes+InvMixColumns
    uint32_t roundConstant[10];

    constexpr Tables() : sbox(), inverseSbox(), encrypt(), decrypt(), roundConstant() {
        for (int x = 0; x < 256; ++x) {
            // Multiplicative inverse by brute force (0 maps to 0), then the affine map.
            uint8_t inverse = 0;
            for (int y = 1; y < 256 && x != 0; ++y)
                if (Multiply(uint8_t(x), uint8_t(y)) == 1) { inverse = uint8_t(y); break; }
            uint8_t s = inverse;
            uint8_t r = inverse;
            for (int i = 0; i < 4; ++i) {
                r = uint8_t((r << 1) | (r >> 7));
                s ^= r;
            }
            s ^= 0x63;
            sbox[x] = s;
            inverseSbox[s] = uint8_t(x);
        }
        for (int x = 0; x < 256; ++x) {
            uint8_t s = sbox[x];
            uint32_t e = uint32_t(Multiply(s, 2)) << 24 | uint32_t(s) << 16 | uint32_t(s) << 8 | Multiply(s, 3);
            uint8_t v = inverseSbox[x];
            uint32_t d = uint32_t(Multiply(v, 14)) << 24 | uint32_t(Multiply(v, 9)) << 16 |
                         uint32_t(Multiply(v, 13)) << 8 | Multiply(v, 11);
            for (int t = 0; t < 4; ++t) {
                encrypt[t][x] = e;
                decrypt[t][x] = d;
                e = RotateRight8(e);
                d = RotateRight8(d);
            }
        }
        uint8_t rc = 1;
        for (int i = 0; i < 10; ++i) {
            roundConstant[i] = uint32_t(rc) << 24;
            rc = Xtime(rc);
        }
    }
};

extern const Tables kTables;

}  // namespace aes_detail
