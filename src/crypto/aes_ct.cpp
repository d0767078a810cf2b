// Constant-time AES, bitsliced: no table lookups, and no branch or memory
// address that depends on the key or the data. The S-box is computed from its
// definition in FIPS-197, inversion in GF(2^8) followed by the affine map, on
// bit planes, so that 32 bytes go through it with the same word operations.
#include <string.h>

#include "crypto/aes_impl.h"
#include "crypto/byte_order.h"
#include "crypto/secure_wipe.h"

namespace {

enum { kBlocksPerSector = 32, kMaxRounds = 14 };

// Eight bit planes: plane i holds bit i of 32 bytes, two blocks side by side.
// Byte s[r][c] of a block (byte 4c + r in memory) is bit 4r + c of its lane;
// lane 1 lies 16 bits above lane 0. Rows are thus nibbles, columns bits in them.
typedef uint32_t Planes[8];

inline unsigned BitOf(int byteIndex, int lane) { return 16u * lane + 4u * (byteIndex & 3) + (byteIndex >> 2); }

void Slice(const unsigned char *block16, int lane, Planes q) {
    for (int j = 0; j < 16; ++j) {
        const unsigned bit = BitOf(j, lane);
        for (int i = 0; i < 8; ++i) q[i] |= uint32_t((block16[j] >> i) & 1) << bit;
    }
}

void Unslice(const Planes q, int lane, unsigned char *block16) {
    for (int j = 0; j < 16; ++j) {
        const unsigned bit = BitOf(j, lane);
        unsigned value = 0;
        for (int i = 0; i < 8; ++i) value |= ((q[i] >> bit) & 1) << i;
        block16[j] = (unsigned char)value;
    }
}

// Product in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1, plane by plane.
void Multiply(const Planes a, const Planes b, Planes out) {
    uint32_t p[15] = {0};
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) p[i + j] ^= a[i] & b[j];
    // x^k = x^(k-8) (x^4 + x^3 + x + 1), highest term first.
    for (int k = 14; k >= 8; --k) {
        p[k - 8] ^= p[k];
        p[k - 7] ^= p[k];
        p[k - 5] ^= p[k];
        p[k - 4] ^= p[k];
    }
    for (int i = 0; i < 8; ++i) out[i] = p[i];
}

// Squaring is linear in GF(2^8): each bit of the square is a sum of input bits.
void Square(const Planes a, Planes out) {
    uint32_t t[8];
    t[0] = a[0] ^ a[4] ^ a[6];
    t[1] = a[4] ^ a[6] ^ a[7];
    t[2] = a[1] ^ a[5];
    t[3] = a[4] ^ a[5] ^ a[6] ^ a[7];
    t[4] = a[2] ^ a[4] ^ a[7];
    t[5] = a[5] ^ a[6];
    t[6] = a[3] ^ a[5];
    t[7] = a[6] ^ a[7];
    for (int i = 0; i < 8; ++i) out[i] = t[i];
}

// x^254, the inverse of x (and 0 for 0): x^3, x^15, x^63, x^127, then a square.
void Invert(Planes x) {
    Planes x3, x15, t;
    Square(x, t);
    Multiply(t, x, x3);
    Square(x3, t);
    Square(t, t);
    Multiply(t, x3, x15);
    Square(x15, t);
    Square(t, t);
    Multiply(t, x3, t);  // x^63
    Square(t, t);
    Multiply(t, x, t);  // x^127
    Square(t, x);
}

void SubBytes(Planes q) {
    Invert(q);
    uint32_t t[8];
    for (int i = 0; i < 8; ++i) t[i] = q[i] ^ q[(i + 4) & 7] ^ q[(i + 5) & 7] ^ q[(i + 6) & 7] ^ q[(i + 7) & 7];
    // The constant 0x63: bits 0, 1, 5 and 6.
    q[0] = ~t[0];
    q[1] = ~t[1];
    q[2] = t[2];
    q[3] = t[3];
    q[4] = t[4];
    q[5] = ~t[5];
    q[6] = ~t[6];
    q[7] = t[7];
}

void InverseSubBytes(Planes q) {
    uint32_t t[8];
    for (int i = 0; i < 8; ++i) t[i] = q[(i + 2) & 7] ^ q[(i + 5) & 7] ^ q[(i + 7) & 7];
    // The constant 0x05: bits 0 and 2.
    t[0] = ~t[0];
    t[2] = ~t[2];
    for (int i = 0; i < 8; ++i) q[i] = t[i];
    Invert(q);
}

const uint32_t kRow0 = 0x000F000F, kRow1 = 0x00F000F0, kRow2 = 0x0F000F00, kRow3 = 0xF000F000;

// Row r turns left by r columns: column c takes the byte of column c + r.
inline uint32_t ShiftRowsPlane(uint32_t x) {
    uint32_t r1 = x & kRow1, r2 = x & kRow2, r3 = x & kRow3;
    return (x & kRow0) | (((r1 >> 1) | (r1 << 3)) & kRow1) | (((r2 >> 2) | (r2 << 2)) & kRow2) |
           (((r3 >> 3) | (r3 << 1)) & kRow3);
}

inline uint32_t InverseShiftRowsPlane(uint32_t x) {
    uint32_t r1 = x & kRow1, r2 = x & kRow2, r3 = x & kRow3;
    return (x & kRow0) | (((r1 << 1) | (r1 >> 3)) & kRow1) | (((r2 << 2) | (r2 >> 2)) & kRow2) |
           (((r3 << 3) | (r3 >> 1)) & kRow3);
}

void ShiftRows(Planes q) {
    for (int i = 0; i < 8; ++i) q[i] = ShiftRowsPlane(q[i]);
}

void InverseShiftRows(Planes q) {
    for (int i = 0; i < 8; ++i) q[i] = InverseShiftRowsPlane(q[i]);
}

// Row r of the result holds row r + n of the input, in every column.
inline uint32_t RowsUp1(uint32_t x) { return ((x >> 4) & 0x0FFF0FFF) | ((x << 12) & 0xF000F000); }
inline uint32_t RowsUp2(uint32_t x) { return ((x >> 8) & 0x00FF00FF) | ((x << 8) & 0xFF00FF00); }
inline uint32_t RowsUp3(uint32_t x) { return ((x >> 12) & 0x000F000F) | ((x << 4) & 0xFFF0FFF0); }

// Multiplication by x (the byte 02).
void Times2(const Planes a, Planes out) {
    uint32_t top = a[7];
    out[7] = a[6];
    out[6] = a[5];
    out[5] = a[4];
    out[4] = a[3] ^ top;
    out[3] = a[2] ^ top;
    out[2] = a[1];
    out[1] = a[0] ^ top;
    out[0] = top;
}

// s'_r = 02 s_r + 03 s_r+1 + s_r+2 + s_r+3 = 02 (s_r + s_r+1) + s_r+1 + s_r+2 + s_r+3.
void MixColumns(Planes q) {
    uint32_t up1[8], sum[8], doubled[8];
    for (int i = 0; i < 8; ++i) {
        up1[i] = RowsUp1(q[i]);
        sum[i] = q[i] ^ up1[i];
    }
    Times2(sum, doubled);
    for (int i = 0; i < 8; ++i) q[i] = doubled[i] ^ up1[i] ^ RowsUp2(q[i]) ^ RowsUp3(q[i]);
}

// The inverse matrix is the forward one times (04 x^2 + 05):
// s'_r = s_r + 04 (s_r + s_r+2), then MixColumns.
void InverseMixColumns(Planes q) {
    uint32_t sum[8], times4[8];
    for (int i = 0; i < 8; ++i) sum[i] = q[i] ^ RowsUp2(q[i]);
    Times2(sum, times4);
    Times2(times4, times4);
    for (int i = 0; i < 8; ++i) q[i] ^= times4[i];
    MixColumns(q);
}

inline void AddRoundKey(Planes q, const Planes key) {
    for (int i = 0; i < 8; ++i) q[i] ^= key[i];
}

// The round keys of a context as planes, the same key in both lanes.
struct SlicedKeys {
    uint32_t planes[kMaxRounds + 1][8];
    int rounds;
};

void SliceKeys(const AesContext *context, SlicedKeys *keys) {
    memset(keys, 0, sizeof *keys);
    keys->rounds = context->rounds;
    for (int round = 0; round <= context->rounds; ++round) {
        unsigned char bytes[16];
        for (int c = 0; c < 4; ++c) StoreBe32(bytes + 4 * c, context->encryptRoundKeys[4 * round + c]);
        Slice(bytes, 0, keys->planes[round]);
        Slice(bytes, 1, keys->planes[round]);
        SecureWipe(bytes, sizeof bytes);
    }
}

void EncryptPlanes(Planes q, const SlicedKeys *keys) {
    AddRoundKey(q, keys->planes[0]);
    for (int round = 1; round < keys->rounds; ++round) {
        SubBytes(q);
        ShiftRows(q);
        MixColumns(q);
        AddRoundKey(q, keys->planes[round]);
    }
    SubBytes(q);
    ShiftRows(q);
    AddRoundKey(q, keys->planes[keys->rounds]);
}

// The straight inverse cipher, on the encryption round keys in reverse.
void DecryptPlanes(Planes q, const SlicedKeys *keys) {
    AddRoundKey(q, keys->planes[keys->rounds]);
    for (int round = keys->rounds - 1; round > 0; --round) {
        InverseShiftRows(q);
        InverseSubBytes(q);
        AddRoundKey(q, keys->planes[round]);
        InverseMixColumns(q);
    }
    InverseShiftRows(q);
    InverseSubBytes(q);
    AddRoundKey(q, keys->planes[0]);
}

inline void Xor16(unsigned char *target, const unsigned char *with) {
    for (int i = 0; i < 16; ++i) target[i] ^= with[i];
}

}  // namespace

uint32_t AesSubWordCt(uint32_t word) {
    unsigned char bytes[16] = {0};
    StoreBe32(bytes, word);
    Planes q = {0};
    Slice(bytes, 0, q);
    SubBytes(q);
    Unslice(q, 0, bytes);
    uint32_t result = LoadBe32(bytes);
    SecureWipe(q, sizeof q);
    SecureWipe(bytes, sizeof bytes);
    return result;
}

void AesEncryptBlockCt(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    SlicedKeys keys;
    SliceKeys(context, &keys);
    Planes q = {0};
    Slice(in16, 0, q);
    EncryptPlanes(q, &keys);
    Unslice(q, 0, out16);
    SecureWipe(q, sizeof q);
    SecureWipe(&keys, sizeof keys);
}

void AesDecryptBlockCt(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    SlicedKeys keys;
    SliceKeys(context, &keys);
    Planes q = {0};
    Slice(in16, 0, q);
    DecryptPlanes(q, &keys);
    Unslice(q, 0, out16);
    SecureWipe(q, sizeof q);
    SecureWipe(&keys, sizeof keys);
}

// Each chain is serial: one block at a time, in lane 0.
void SectorEncryptCt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    const size_t blocks = lengthBytes / 16;
    if (!blocks) return;
    SlicedKeys keys;
    SliceKeys(context, &keys);
    unsigned char chain[16];
    Planes q;
    for (size_t j = 0; j < blocks; ++j) {
        unsigned char *p = buffer + 16 * j;
        if (j % kBlocksPerSector == 0) SectorTakeInitialVector(counter, chain);
        Xor16(chain, p);
        memset(q, 0, sizeof q);
        Slice(chain, 0, q);
        EncryptPlanes(q, &keys);
        Unslice(q, 0, chain);
        memcpy(p, chain, 16);
    }
    SecureWipe(q, sizeof q);
    SecureWipe(chain, sizeof chain);
    SecureWipe(&keys, sizeof keys);
}

// Decryption chains are independent of each other's results: two blocks go
// through the cipher together, one in each lane.
void SectorDecryptCt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    const size_t blocks = lengthBytes / 16;
    if (!blocks) return;
    SlicedKeys keys;
    SliceKeys(context, &keys);
    unsigned char chain[16], cipher[2][16], plain[2][16];
    Planes q;
    for (size_t j = 0; j < blocks;) {
        if (j % kBlocksPerSector == 0) SectorTakeInitialVector(counter, chain);
        // Both blocks of a pair lie in one sector: sectors hold an even number.
        const int pair = j + 1 < blocks ? 2 : 1;
        memset(q, 0, sizeof q);
        for (int k = 0; k < pair; ++k) {
            memcpy(cipher[k], buffer + 16 * (j + k), 16);
            Slice(cipher[k], k, q);
        }
        DecryptPlanes(q, &keys);
        for (int k = 0; k < pair; ++k) {
            Unslice(q, k, plain[k]);
            Xor16(plain[k], k == 0 ? chain : cipher[0]);
            memcpy(buffer + 16 * (j + k), plain[k], 16);
        }
        memcpy(chain, cipher[pair - 1], 16);
        j += pair;
    }
    SecureWipe(q, sizeof q);
    SecureWipe(plain, sizeof plain);
    SecureWipe(&keys, sizeof keys);
}
