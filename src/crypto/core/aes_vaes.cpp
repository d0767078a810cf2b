// VAES paths for bulk sector decryption. This file alone is compiled with the
// AVX2 and VAES instruction sets enabled, and its 512-bit path with AVX-512F
// too; nothing in it runs unless the processor and operating-system checks in
// aes.cpp have passed.
//
// CBC decryption has no chain to wait for: plaintext block j is D(C_j) xor
// C_(j-1). Each 256-bit register holds two blocks, and eight registers (half a
// sector) go through the rounds together, enough to keep both AES units busy.
// Each 512-bit register holds four, and eight of them hold a whole sector:
// processors whose AES units are 512 bits wide decrypt twice as much a cycle.
#include "crypto/core/aes_impl.h"
#include "crypto/core/secure_wipe.h"

#if defined(__VAES__) && defined(__AVX2__) && defined(__AES__)
#include <immintrin.h>

namespace {

enum { kBlocksPerSector = 32, kMaxRoundKeys = 15, kVectorsPerGroup = 8 };

// The schedule is kept as big-endian words; VAES wants the bytes in block
// order, the same round key in both halves.
inline void LoadRoundKeys(const uint32_t *words, __m256i *keys) {
    const __m128i swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
    for (int r = 0; r < kMaxRoundKeys; ++r) {
        __m128i key = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(words + 4 * r)), swap);
        keys[r] = _mm256_broadcastsi128_si256(key);
    }
}

inline __m256i Load2(const unsigned char *p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)); }
inline void Store2(unsigned char *p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }
inline __m128i Load1(const unsigned char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }

// Decrypts the 16 blocks at p in place; `previous` is the chaining value of the
// first block and becomes the last ciphertext block.
inline void DecryptGroup(unsigned char *p, __m128i &previous, const __m256i *keys, int rounds) {
    __m256i x[kVectorsPerGroup];
    for (int k = 0; k < kVectorsPerGroup; ++k) x[k] = _mm256_xor_si256(Load2(p + 32 * k), keys[0]);
    for (int r = 1; r < rounds; ++r)
        for (int k = 0; k < kVectorsPerGroup; ++k) x[k] = _mm256_aesdec_epi128(x[k], keys[r]);
    for (int k = 0; k < kVectorsPerGroup; ++k) x[k] = _mm256_aesdeclast_epi128(x[k], keys[rounds]);

    // Each register's chaining values are the ciphertext 16 bytes before it.
    // Storing from the back keeps the ciphertext ahead of each store intact.
    const __m256i first = _mm256_inserti128_si256(_mm256_castsi128_si256(previous), Load1(p), 1);
    previous = Load1(p + 16 * (2 * kVectorsPerGroup - 1));
    for (int k = kVectorsPerGroup - 1; k > 0; --k) Store2(p + 32 * k, _mm256_xor_si256(x[k], Load2(p + 32 * k - 16)));
    Store2(p, _mm256_xor_si256(x[0], first));
}

}  // namespace

int AesVaesBuilt() { return 1; }

void SectorDecryptVaes(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    size_t sectors = lengthBytes / 512;
    if (sectors > 0) {
        const int rounds = context->rounds;
        __m256i keys[kMaxRoundKeys];
        LoadRoundKeys(context->decryptRoundKeys, keys);
        for (; sectors > 0; --sectors, buffer += 512) {
            unsigned char iv[16];
            SectorTakeInitialVector(counter, iv);
            __m128i previous = Load1(iv);
            for (int group = 0; group < kBlocksPerSector / (2 * kVectorsPerGroup); ++group)
                DecryptGroup(buffer + 32 * kVectorsPerGroup * group, previous, keys, rounds);
        }
        SecureWipe(keys, sizeof keys);
    }
    // A partial sector at the end goes the AES-NI way.
    SectorDecryptNi(buffer, lengthBytes % 512, counter, context);
}

__attribute__((target("avx512f"))) void SectorDecryptVaes512(unsigned char *buffer, size_t lengthBytes,
                                                             SectorCounter *counter, const AesContext *context) {
    size_t sectors = lengthBytes / 512;
    if (sectors > 0) {
        const int rounds = context->rounds;
        __m256i halves[kMaxRoundKeys];
        LoadRoundKeys(context->decryptRoundKeys, halves);
        __m512i keys[kMaxRoundKeys];
        for (int r = 0; r < kMaxRoundKeys; ++r)
            keys[r] = _mm512_maskz_broadcast_i32x4(0xFFFF, _mm256_castsi256_si128(halves[r]));
        for (; sectors > 0; --sectors, buffer += 512) {
            unsigned char iv[16];
            SectorTakeInitialVector(counter, iv);
            __m512i x[kBlocksPerSector / 4];
            for (int k = 0; k < kBlocksPerSector / 4; ++k)
                x[k] = _mm512_xor_si512(_mm512_loadu_si512(buffer + 64 * k), keys[0]);
            // The first register's chaining values: the initial vector, then
            // the sector's first three ciphertext blocks (read before any store).
            const __m512i ivs = _mm512_maskz_broadcast_i32x4(0xFFFF, Load1(iv));
            const __m512i first = _mm512_maskz_alignr_epi64(0xFF, _mm512_loadu_si512(buffer), ivs, 6);
            for (int r = 1; r < rounds; ++r)
                for (int k = 0; k < kBlocksPerSector / 4; ++k) x[k] = _mm512_aesdec_epi128(x[k], keys[r]);
            for (int k = 0; k < kBlocksPerSector / 4; ++k) x[k] = _mm512_aesdeclast_epi128(x[k], keys[rounds]);
            // From the back, as above: each store leaves the ciphertext that
            // the registers before it still chain on.
            for (int k = kBlocksPerSector / 4 - 1; k > 0; --k)
                _mm512_storeu_si512(buffer + 64 * k,
                                    _mm512_xor_si512(x[k], _mm512_loadu_si512(buffer + 64 * k - 16)));
            _mm512_storeu_si512(buffer, _mm512_xor_si512(x[0], first));
        }
        SecureWipe(halves, sizeof halves);
        SecureWipe(keys, sizeof keys);
    }
    SectorDecryptNi(buffer, lengthBytes % 512, counter, context);
}

#else  // not built for this target: the AES-NI path stands in

int AesVaesBuilt() { return 0; }

void SectorDecryptVaes(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    SectorDecryptNi(buffer, lengthBytes, counter, context);
}

void SectorDecryptVaes512(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter,
                          const AesContext *context) {
    SectorDecryptNi(buffer, lengthBytes, counter, context);
}

#endif
