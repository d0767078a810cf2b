// Constant-time AES, bitsliced: no table lookups, and no branch or memory
// address that depends on the key or the data. The S-box is a fixed circuit of
// XOR, AND and NOT gates (Boyar and Peralta's 113-gate circuit for inversion in
// GF(2^8) followed by the affine map), applied to whole words of bits at once.
//
// Two layouts share that circuit:
// - planes, for one block or a short chain: eight 32-bit words each hold one
//   bit of every byte of two blocks;
// - lanes, for many blocks at once: one word per bit of the block (128 words),
//   bit k of each word belonging to block k. Rows and columns are then word
//   indices, so ShiftRows is free and MixColumns is plain XOR. Sector
//   decryption fills the lanes with consecutive blocks (their decryptions are
//   independent); sector encryption, serial within a sector, gives each lane a
//   sector of its own and walks the sectors side by side.
// Lanes use 64-bit words where the processor has them and 32-bit words
// elsewhere, so that the 32-bit build does no double-word arithmetic.
#include <string.h>

#include "crypto/core/aes_impl.h"
#include "crypto/core/byte_order.h"
#include "crypto/core/secure_wipe.h"

namespace {

enum { kBlocksPerSector = 32, kMaxRounds = 14 };

// The S-box on eight words of bits: in[i] and out[i] hold bit i of the bytes.
// out may be in.
template <class Word>
inline void SBoxCircuit(const Word *in, Word *out) {
    const Word U0 = in[7], U1 = in[6], U2 = in[5], U3 = in[4], U4 = in[3], U5 = in[2], U6 = in[1], U7 = in[0];
    const Word T1 = U0 ^ U3;
    const Word T2 = U0 ^ U5;
    const Word T3 = U0 ^ U6;
    const Word T4 = U3 ^ U5;
    const Word T5 = U4 ^ U6;
    const Word T6 = T1 ^ T5;
    const Word T7 = U1 ^ U2;
    const Word T8 = U7 ^ T6;
    const Word T9 = U7 ^ T7;
    const Word T10 = T6 ^ T7;
    const Word T11 = U1 ^ U5;
    const Word T12 = U2 ^ U5;
    const Word T13 = T3 ^ T4;
    const Word T14 = T6 ^ T11;
    const Word T15 = T5 ^ T11;
    const Word T16 = T5 ^ T12;
    const Word T17 = T9 ^ T16;
    const Word T18 = U3 ^ U7;
    const Word T19 = T7 ^ T18;
    const Word T20 = T1 ^ T19;
    const Word T21 = U6 ^ U7;
    const Word T22 = T7 ^ T21;
    const Word T23 = T2 ^ T22;
    const Word T24 = T2 ^ T10;
    const Word T25 = T20 ^ T17;
    const Word T26 = T3 ^ T16;
    const Word T27 = T1 ^ T12;
    const Word M1 = T13 & T6;
    const Word M2 = T23 & T8;
    const Word M3 = T14 ^ M1;
    const Word M4 = T19 & U7;
    const Word M5 = M4 ^ M1;
    const Word M6 = T3 & T16;
    const Word M7 = T22 & T9;
    const Word M8 = T26 ^ M6;
    const Word M9 = T20 & T17;
    const Word M10 = M9 ^ M6;
    const Word M11 = T1 & T15;
    const Word M12 = T4 & T27;
    const Word M13 = M12 ^ M11;
    const Word M14 = T2 & T10;
    const Word M15 = M14 ^ M11;
    const Word M16 = M3 ^ M2;
    const Word M17 = M5 ^ T24;
    const Word M18 = M8 ^ M7;
    const Word M19 = M10 ^ M15;
    const Word M20 = M16 ^ M13;
    const Word M21 = M17 ^ M15;
    const Word M22 = M18 ^ M13;
    const Word M23 = M19 ^ T25;
    const Word M24 = M22 ^ M23;
    const Word M25 = M22 & M20;
    const Word M26 = M21 ^ M25;
    const Word M27 = M20 ^ M21;
    const Word M28 = M23 ^ M25;
    const Word M29 = M28 & M27;
    const Word M30 = M26 & M24;
    const Word M31 = M20 & M23;
    const Word M32 = M27 & M31;
    const Word M33 = M27 ^ M25;
    const Word M34 = M21 & M22;
    const Word M35 = M24 & M34;
    const Word M36 = M24 ^ M25;
    const Word M37 = M21 ^ M29;
    const Word M38 = M32 ^ M33;
    const Word M39 = M23 ^ M30;
    const Word M40 = M35 ^ M36;
    const Word M41 = M38 ^ M40;
    const Word M42 = M37 ^ M39;
    const Word M43 = M37 ^ M38;
    const Word M44 = M39 ^ M40;
    const Word M45 = M42 ^ M41;
    const Word M46 = M44 & T6;
    const Word M47 = M40 & T8;
    const Word M48 = M39 & U7;
    const Word M49 = M43 & T16;
    const Word M50 = M38 & T9;
    const Word M51 = M37 & T17;
    const Word M52 = M42 & T15;
    const Word M53 = M45 & T27;
    const Word M54 = M41 & T10;
    const Word M55 = M44 & T13;
    const Word M56 = M40 & T23;
    const Word M57 = M39 & T19;
    const Word M58 = M43 & T3;
    const Word M59 = M38 & T22;
    const Word M60 = M37 & T20;
    const Word M61 = M42 & T1;
    const Word M62 = M45 & T4;
    const Word M63 = M41 & T2;
    const Word L0 = M61 ^ M62;
    const Word L1 = M50 ^ M56;
    const Word L2 = M46 ^ M48;
    const Word L3 = M47 ^ M55;
    const Word L4 = M54 ^ M58;
    const Word L5 = M49 ^ M61;
    const Word L6 = M62 ^ L5;
    const Word L7 = M46 ^ L3;
    const Word L8 = M51 ^ M59;
    const Word L9 = M52 ^ M53;
    const Word L10 = M53 ^ L4;
    const Word L11 = M60 ^ L2;
    const Word L12 = M48 ^ M51;
    const Word L13 = M50 ^ L0;
    const Word L14 = M52 ^ M61;
    const Word L15 = M55 ^ L1;
    const Word L16 = M56 ^ L0;
    const Word L17 = M57 ^ L1;
    const Word L18 = M58 ^ L8;
    const Word L19 = M63 ^ L4;
    const Word L20 = L0 ^ L1;
    const Word L21 = L1 ^ L7;
    const Word L22 = L3 ^ L12;
    const Word L23 = L18 ^ L2;
    const Word L24 = L15 ^ L9;
    const Word L25 = L6 ^ L10;
    const Word L26 = L7 ^ L9;
    const Word L27 = L8 ^ L10;
    const Word L28 = L11 ^ L14;
    const Word L29 = L11 ^ L17;
    out[7] = L6 ^ L24;
    out[6] = ~(L16 ^ L26);
    out[5] = ~(L19 ^ L28);
    out[4] = L6 ^ L21;
    out[3] = L20 ^ L22;
    out[2] = L25 ^ L29;
    out[1] = ~(L13 ^ L27);
    out[0] = ~(L6 ^ L23);
}

// The inverse of the affine map of the S-box: y -> A^-1 y + 05.
template <class Word>
inline void InverseAffine(const Word *in, Word *out) {
    Word t[8];
    for (int i = 0; i < 8; ++i) t[i] = in[(i + 2) & 7] ^ in[(i + 5) & 7] ^ in[(i + 7) & 7];
    t[0] = ~t[0];
    t[2] = ~t[2];
    for (int i = 0; i < 8; ++i) out[i] = t[i];
}

// With S(x) = A x^-1 + 63 and L(y) = A^-1 y + 05 = A^-1 (y + 63), the inverse
// S-box (L(y))^-1 equals L(S(L(y))): the forward circuit between two maps.
template <class Word>
inline void InverseSBoxCircuit(const Word *in, Word *out) {
    Word t[8];
    InverseAffine(in, t);
    SBoxCircuit(t, t);
    InverseAffine(t, out);
}

// Multiplication by x (the byte 02) modulo x^8 + x^4 + x^3 + x + 1.
template <class Word>
inline void Times2(const Word *a, Word *out) {
    const Word top = a[7];
    out[7] = a[6];
    out[6] = a[5];
    out[5] = a[4];
    out[4] = a[3] ^ top;
    out[3] = a[2] ^ top;
    out[2] = a[1];
    out[1] = a[0] ^ top;
    out[0] = top;
}

// ---- Planes: one block, or two, in eight 32-bit words ----

// Plane i holds bit i of 32 bytes, two blocks side by side. Byte s[r][c] of a
// block (byte 4c + r in memory) is bit 4r + c of its lane; lane 1 lies 16 bits
// above lane 0. Rows are thus nibbles, columns bits in them.
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
    keys->rounds = context->rounds > kMaxRounds ? int(kMaxRounds) : context->rounds;
    for (int round = 0; round <= keys->rounds; ++round) {
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
        SBoxCircuit(q, q);
        ShiftRows(q);
        MixColumns(q);
        AddRoundKey(q, keys->planes[round]);
    }
    SBoxCircuit(q, q);
    ShiftRows(q);
    AddRoundKey(q, keys->planes[keys->rounds]);
}

// The straight inverse cipher, on the encryption round keys in reverse.
void DecryptPlanes(Planes q, const SlicedKeys *keys) {
    AddRoundKey(q, keys->planes[keys->rounds]);
    for (int round = keys->rounds - 1; round > 0; --round) {
        InverseShiftRows(q);
        InverseSBoxCircuit(q, q);
        AddRoundKey(q, keys->planes[round]);
        InverseMixColumns(q);
    }
    InverseShiftRows(q);
    InverseSBoxCircuit(q, q);
    AddRoundKey(q, keys->planes[0]);
}

inline void Xor16(unsigned char *target, const unsigned char *with) {
    for (int i = 0; i < 16; ++i) target[i] ^= with[i];
}

// Sector encryption one block at a time, in lane 0: for a few sectors, where
// filling the lanes would cost more than it saves. Starts at a sector's first block.
void EncryptChainsInPlanes(unsigned char *buffer, size_t blocks, SectorCounter *counter, const AesContext *context) {
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

// Sector decryption two blocks at a time, for a short run. Starts at a
// sector's first block.
void DecryptPairsInPlanes(unsigned char *buffer, size_t blocks, SectorCounter *counter, const AesContext *context) {
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

// ---- Lanes: one word per bit of the block, one block per bit of the word ----

// State word 8 b + i holds bit i of byte b of every lane's block.
enum { kStateWords = 128 };

inline void LoadLe(const unsigned char *p, uint32_t *w) { *w = LoadLe32(p); }
inline void LoadLe(const unsigned char *p, uint64_t *w) { *w = LoadLe64(p); }
inline void StoreLe(unsigned char *p, uint32_t w) { StoreLe32(p, w); }
inline void StoreLe(unsigned char *p, uint64_t w) { StoreLe64(p, w); }

// Transposes a square matrix of bits held one row to a word: bit b of row k
// moves to bit k of row b. The step of size j swaps, inside every 2j by 2j
// tile, its upper right j by j quarter with its lower left one.
template <class Word>
void TransposeBits(Word *rows) {
    const int bits = 8 * sizeof(Word);
    Word mask = ~Word(0) >> (bits / 2);  // the bits b with bit j of b clear
    for (int j = bits / 2; j != 0; j >>= 1, mask ^= mask << j) {
        for (int k = 0; k < bits; k = ((k | j) + 1) & ~j) {
            const Word t = ((rows[k] >> j) ^ rows[k | j]) & mask;
            rows[k | j] ^= t;
            rows[k] ^= t << j;
        }
    }
}

// A block is 128 / bits words of `bits` bits. With row k of chunk c holding
// block k's word c (little-endian), the transposed chunk holds state words
// c * bits to c * bits + bits - 1. Transposing again turns state into rows.
template <class Word>
void TransposeState(Word *state) {
    for (int chunk = 0; chunk < kStateWords / int(8 * sizeof(Word)); ++chunk)
        TransposeBits(state + chunk * 8 * sizeof(Word));
}

template <class Word>
inline void PutLaneRow(const unsigned char *block16, int lane, Word *rows) {
    const int bits = 8 * sizeof(Word);
    for (int chunk = 0; chunk < kStateWords / bits; ++chunk)
        LoadLe(block16 + chunk * sizeof(Word), &rows[chunk * bits + lane]);
}

template <class Word>
inline void TakeLaneRow(const Word *rows, int lane, unsigned char *block16) {
    const int bits = 8 * sizeof(Word);
    for (int chunk = 0; chunk < kStateWords / bits; ++chunk)
        StoreLe(block16 + chunk * sizeof(Word), rows[chunk * bits + lane]);
}

// The state of `lanes` blocks at base, base + stride, ...; other lanes are zero.
template <class Word>
void LoadLanes(const unsigned char *base, size_t stride, int lanes, Word *state) {
    memset(state, 0, kStateWords * sizeof(Word));
    for (int k = 0; k < lanes; ++k) PutLaneRow(base + stride * k, k, state);
    TransposeState(state);
}

// The round keys as bytes; bit i of byte b becomes an all-ones or all-zero
// word by arithmetic, never by a branch.
struct RoundKeyBytes {
    unsigned char bytes[kMaxRounds + 1][16];
    int rounds;
};

void TakeRoundKeyBytes(const AesContext *context, RoundKeyBytes *keys) {
    keys->rounds = context->rounds > kMaxRounds ? int(kMaxRounds) : context->rounds;
    for (int round = 0; round <= keys->rounds; ++round)
        for (int c = 0; c < 4; ++c) StoreBe32(keys->bytes[round] + 4 * c, context->encryptRoundKeys[4 * round + c]);
}

template <class Word>
inline Word KeyMask(const unsigned char *key16, int stateWord) {
    return Word(0) - Word((key16[stateWord >> 3] >> (stateWord & 7)) & 1);
}

template <class Word>
void AddRoundKey(Word *state, const unsigned char *key16) {
    for (int i = 0; i < kStateWords; ++i) state[i] ^= KeyMask<Word>(key16, i);
}

// Byte s[r][c] is state byte 4c + r. ShiftRows: s'[r][c] = s[r][c + r].
template <class Word>
void SubBytesShiftRows(const Word *in, Word *out) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) SBoxCircuit(in + 8 * (4 * ((c + r) & 3) + r), out + 8 * (4 * c + r));
}

template <class Word>
void InverseShiftRowsSubBytes(const Word *in, Word *out) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) InverseSBoxCircuit(in + 8 * (4 * ((c - r) & 3) + r), out + 8 * (4 * c + r));
}

// One column of four rows of eight words (out apart from column):
// s'_r = 02 s_r + 03 s_r+1 + s_r+2 + s_r+3 = s_r + (s_0 + s_1 + s_2 + s_3) + 02 (s_r + s_r+1).
template <class Word>
inline void MixColumn(const Word *column, Word *out) {
    Word total[8];
    for (int i = 0; i < 8; ++i) total[i] = column[i] ^ column[8 + i] ^ column[16 + i] ^ column[24 + i];
    for (int r = 0; r < 4; ++r) {
        const Word *row = column + 8 * r, *next = column + 8 * ((r + 1) & 3);
        Word sum[8], doubled[8];
        for (int i = 0; i < 8; ++i) sum[i] = row[i] ^ next[i];
        Times2(sum, doubled);
        for (int i = 0; i < 8; ++i) out[8 * r + i] = row[i] ^ total[i] ^ doubled[i];
    }
}

template <class Word>
void MixColumnsAddKey(const Word *in, const unsigned char *key16, Word *out) {
    for (int c = 0; c < 4; ++c) {
        MixColumn(in + 32 * c, out + 32 * c);
        for (int x = 32 * c; x < 32 * c + 32; ++x) out[x] ^= KeyMask<Word>(key16, x);
    }
}

// The key first, then InvMixColumns as the forward matrix times (04 x^2 + 05):
// s_r += 04 (s_r + s_r+2), then MixColumns.
template <class Word>
void AddKeyInverseMixColumns(const Word *in, const unsigned char *key16, Word *out) {
    for (int c = 0; c < 4; ++c) {
        Word column[32];
        for (int x = 0; x < 32; ++x) column[x] = in[32 * c + x] ^ KeyMask<Word>(key16, 32 * c + x);
        for (int r = 0; r < 2; ++r) {
            Word sum[8], times2[8], times4[8];
            for (int i = 0; i < 8; ++i) sum[i] = column[8 * r + i] ^ column[8 * (r + 2) + i];
            Times2(sum, times2);
            Times2(times2, times4);
            for (int i = 0; i < 8; ++i) {
                column[8 * r + i] ^= times4[i];
                column[8 * (r + 2) + i] ^= times4[i];
            }
        }
        MixColumn(column, out + 32 * c);
        SecureWipe(column, sizeof column);
    }
}

template <class Word>
void EncryptLanes(Word *state, const RoundKeyBytes *keys) {
    Word t[kStateWords];
    AddRoundKey(state, keys->bytes[0]);
    for (int round = 1; round < keys->rounds; ++round) {
        SubBytesShiftRows(state, t);
        MixColumnsAddKey(t, keys->bytes[round], state);
    }
    SubBytesShiftRows(state, t);
    for (int i = 0; i < kStateWords; ++i) state[i] = t[i] ^ KeyMask<Word>(keys->bytes[keys->rounds], i);
    SecureWipe(t, sizeof t);
}

template <class Word>
void DecryptLanes(Word *state, const RoundKeyBytes *keys) {
    Word t[kStateWords];
    AddRoundKey(state, keys->bytes[keys->rounds]);
    for (int round = keys->rounds - 1; round > 0; --round) {
        InverseShiftRowsSubBytes(state, t);
        AddKeyInverseMixColumns(t, keys->bytes[round], state);
    }
    InverseShiftRowsSubBytes(state, t);
    for (int i = 0; i < kStateWords; ++i) state[i] = t[i] ^ KeyMask<Word>(keys->bytes[0], i);
    SecureWipe(t, sizeof t);
}

// Decrypts `count` consecutive blocks (at most one per lane) starting at
// block index `first` of the buffer. previous16 holds the chaining value of
// the block before: its ciphertext, or the sector's initial vector.
template <class Word>
void DecryptRunInLanes(unsigned char *buffer, size_t first, int count, SectorCounter *counter,
                       unsigned char *previous16, const RoundKeyBytes *keys) {
    Word state[kStateWords];
    unsigned char *blocks = buffer + 16 * first;
    LoadLanes(blocks, 16, count, state);
    DecryptLanes(state, keys);
    TransposeState(state);
    for (int k = 0; k < count; ++k) {
        unsigned char *block = blocks + 16 * k, cipher[16];
        if ((first + k) % kBlocksPerSector == 0) SectorTakeInitialVector(counter, previous16);
        memcpy(cipher, block, 16);
        TakeLaneRow(state, k, block);
        Xor16(block, previous16);
        memcpy(previous16, cipher, 16);
    }
    SecureWipe(state, sizeof state);
}

// Encrypts `lanes` consecutive sectors side by side, one per lane; all are
// whole but perhaps the last, which has lastBlocks blocks.
template <class Word>
void EncryptSectorsInLanes(unsigned char *sectors, int lanes, int lastBlocks, SectorCounter *counter,
                           const RoundKeyBytes *keys) {
    const size_t kSectorBytes = 16 * kBlocksPerSector;
    Word chain[kStateWords], state[kStateWords];
    memset(chain, 0, sizeof chain);
    for (int k = 0; k < lanes; ++k) {
        unsigned char iv[16];
        SectorTakeInitialVector(counter, iv);
        PutLaneRow(iv, k, chain);
    }
    TransposeState(chain);
    const int steps = lanes > 1 ? int(kBlocksPerSector) : lastBlocks;
    for (int t = 0; t < steps; ++t) {
        const int active = t < lastBlocks ? lanes : lanes - 1;
        unsigned char *blocks = sectors + 16 * t;
        LoadLanes(blocks, kSectorBytes, active, state);
        for (int i = 0; i < kStateWords; ++i) state[i] ^= chain[i];
        EncryptLanes(state, keys);
        memcpy(chain, state, sizeof chain);
        TransposeState(state);
        for (int k = 0; k < active; ++k) TakeLaneRow(state, k, blocks + kSectorBytes * k);
    }
    SecureWipe(state, sizeof state);
    SecureWipe(chain, sizeof chain);
}

// Below these counts the planes cost less than filling the lanes.
enum { kMinDecryptLanes = 16, kMinEncryptLanes = 8 };

// 64-bit lanes only where 64-bit words are native; 32 elsewhere.
// KOVARA_AES_NARROW_LANES gives a 64-bit build the 32-bit build's lanes, so
// that a machine which runs no 32-bit code can still test them.
#if UINTPTR_MAX > 0xFFFFFFFFu && !defined(KOVARA_AES_NARROW_LANES)
#define KOVARA_AES_WIDE_LANES 1
#endif

// How many lanes the next run fills, out of `remaining` sectors or blocks:
// a whole wide or narrow set, or all that is left when it fits in one. Runs
// of a full set are multiples of a sector, so a rest starts on a sector.
size_t LanesFor(size_t remaining) {
#ifdef KOVARA_AES_WIDE_LANES
    if (remaining > 32) return remaining > 64 ? 64 : remaining;
#endif
    return remaining > 32 ? 32 : remaining;
}

void EncryptSectorsInLanes(unsigned char *sectors, int lanes, int lastBlocks, SectorCounter *counter,
                           const RoundKeyBytes *keys) {
#ifdef KOVARA_AES_WIDE_LANES
    if (lanes > 32) return EncryptSectorsInLanes<uint64_t>(sectors, lanes, lastBlocks, counter, keys);
#endif
    EncryptSectorsInLanes<uint32_t>(sectors, lanes, lastBlocks, counter, keys);
}

void DecryptRunInLanes(unsigned char *buffer, size_t first, int count, SectorCounter *counter,
                       unsigned char *previous16, const RoundKeyBytes *keys) {
#ifdef KOVARA_AES_WIDE_LANES
    if (count > 32) return DecryptRunInLanes<uint64_t>(buffer, first, count, counter, previous16, keys);
#endif
    DecryptRunInLanes<uint32_t>(buffer, first, count, counter, previous16, keys);
}

}  // namespace

uint32_t AesSubWordCt(uint32_t word) {
    unsigned char bytes[16] = {0};
    StoreBe32(bytes, word);
    Planes q = {0};
    Slice(bytes, 0, q);
    SBoxCircuit(q, q);
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

// Many sectors go side by side through the lanes, 64 or 32 at a time; the
// last few, if any, one block at a time.
void SectorEncryptCt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    const size_t blocks = lengthBytes / 16;
    if (!blocks) return;
    const size_t sectors = (blocks + kBlocksPerSector - 1) / kBlocksPerSector;
    RoundKeyBytes keys;
    TakeRoundKeyBytes(context, &keys);
    size_t done = 0;
    while (done < sectors) {
        const size_t remaining = sectors - done;
        unsigned char *at = buffer + 16 * kBlocksPerSector * done;
        if (remaining < kMinEncryptLanes) {
            EncryptChainsInPlanes(at, blocks - kBlocksPerSector * done, counter, context);
            break;
        }
        const int lanes = int(LanesFor(remaining));
        const size_t endBlock = kBlocksPerSector * (done + lanes);
        const int lastBlocks = int(kBlocksPerSector - (endBlock > blocks ? endBlock - blocks : 0));
        EncryptSectorsInLanes(at, lanes, lastBlocks, counter, &keys);
        done += lanes;
    }
    SecureWipe(&keys, sizeof keys);
}

// Decryptions are independent of each other's results: consecutive blocks
// fill the lanes, 64 or 32 at a time; a short rest goes two blocks at a time.
void SectorDecryptCt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    const size_t blocks = lengthBytes / 16;
    if (!blocks) return;
    RoundKeyBytes keys;
    TakeRoundKeyBytes(context, &keys);
    unsigned char previous[16];
    size_t done = 0;
    while (done < blocks) {
        const size_t remaining = blocks - done;
        if (remaining < kMinDecryptLanes) {
            // Runs in lanes end on a sector boundary when anything is left.
            DecryptPairsInPlanes(buffer + 16 * done, remaining, counter, context);
            break;
        }
        const int count = int(LanesFor(remaining));
        DecryptRunInLanes(buffer, done, count, counter, previous, &keys);
        done += count;
    }
    SecureWipe(previous, sizeof previous);
    SecureWipe(&keys, sizeof keys);
}
