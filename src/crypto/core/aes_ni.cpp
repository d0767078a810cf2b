// AES-NI path. This file alone is compiled with the AES and SSSE3 instruction
// sets enabled; nothing in it runs unless the processor check has passed.
#include "crypto/core/aes_impl.h"
#include "crypto/core/secure_wipe.h"

#if defined(__AES__) && defined(__SSSE3__)
#include <emmintrin.h>
#include <tmmintrin.h>
#include <wmmintrin.h>

// 32-bit Windows only guarantees 4-byte stack alignment at entry; realign for the vector spills.
#if defined(__i386__)
#define KOVARA_ALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define KOVARA_ALIGN_STACK
#endif

namespace {

enum { kBlocksPerSector = 32, kMaxRoundKeys = 15 };

// The schedule is kept as big-endian words; AES-NI wants the bytes in block order.
// All 15 slots are filled whatever the key size (the context always has room).
inline void LoadRoundKeys(const uint32_t *words, __m128i *keys) {
    const __m128i swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
    for (int r = 0; r < kMaxRoundKeys; ++r)
        keys[r] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(words + 4 * r)), swap);
}

inline __m128i Load(const unsigned char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
inline void Store(unsigned char *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

inline __m128i EncryptOne(__m128i x, const __m128i *keys, int rounds) {
    x = _mm_xor_si128(x, keys[0]);
    for (int r = 1; r < rounds; ++r) x = _mm_aesenc_si128(x, keys[r]);
    return _mm_aesenclast_si128(x, keys[rounds]);
}

inline __m128i DecryptOne(__m128i x, const __m128i *keys, int rounds) {
    x = _mm_xor_si128(x, keys[0]);
    for (int r = 1; r < rounds; ++r) x = _mm_aesdec_si128(x, keys[r]);
    return _mm_aesdeclast_si128(x, keys[rounds]);
}

inline __m128i TakeInitialVector(SectorCounter *counter) {
    unsigned char iv[16];
    SectorTakeInitialVector(counter, iv);
    return Load(iv);
}

// Encrypts `lanes` whole sectors side by side: each chain is serial, but the
// chains are independent, so their rounds overlap in the pipeline.
template <int lanes>
inline void EncryptSectors(unsigned char *buffer, SectorCounter *counter, const __m128i *keys, int rounds) {
    __m128i v[lanes];
    for (int k = 0; k < lanes; ++k) v[k] = TakeInitialVector(counter);
    for (int j = 0; j < kBlocksPerSector; ++j) {
        for (int k = 0; k < lanes; ++k)
            v[k] = _mm_xor_si128(_mm_xor_si128(Load(buffer + 512 * k + 16 * j), v[k]), keys[0]);
        for (int r = 1; r < rounds; ++r)
            for (int k = 0; k < lanes; ++k) v[k] = _mm_aesenc_si128(v[k], keys[r]);
        for (int k = 0; k < lanes; ++k) {
            v[k] = _mm_aesenclast_si128(v[k], keys[rounds]);
            Store(buffer + 512 * k + 16 * j, v[k]);
        }
    }
}

// Decrypts `lanes` consecutive blocks of one sector; `previous` is the
// chaining value of the first and becomes the last ciphertext block.
template <int lanes>
inline void DecryptBlocks(unsigned char *p, __m128i &previous, const __m128i *keys, int rounds) {
    __m128i c[lanes], x[lanes];
    for (int k = 0; k < lanes; ++k) {
        c[k] = Load(p + 16 * k);
        x[k] = _mm_xor_si128(c[k], keys[0]);
    }
    for (int r = 1; r < rounds; ++r)
        for (int k = 0; k < lanes; ++k) x[k] = _mm_aesdec_si128(x[k], keys[r]);
    for (int k = 0; k < lanes; ++k) {
        x[k] = _mm_aesdeclast_si128(x[k], keys[rounds]);
        Store(p + 16 * k, _mm_xor_si128(x[k], k == 0 ? previous : c[k - 1]));
    }
    previous = c[lanes - 1];
}

}  // namespace

KOVARA_ALIGN_STACK
void AesEncryptBlockNi(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    __m128i keys[kMaxRoundKeys];
    LoadRoundKeys(context->encryptRoundKeys, keys);
    Store(out16, EncryptOne(Load(in16), keys, context->rounds));
    SecureWipe(keys, sizeof keys);
}

KOVARA_ALIGN_STACK
void AesDecryptBlockNi(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    __m128i keys[kMaxRoundKeys];
    LoadRoundKeys(context->decryptRoundKeys, keys);
    Store(out16, DecryptOne(Load(in16), keys, context->rounds));
    SecureWipe(keys, sizeof keys);
}

KOVARA_ALIGN_STACK
void SectorEncryptNi(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    if (lengthBytes < 16) return;
    const int rounds = context->rounds;
    __m128i keys[kMaxRoundKeys];
    LoadRoundKeys(context->encryptRoundKeys, keys);

    size_t blocks = lengthBytes / 16;
    while (blocks >= 8 * kBlocksPerSector) {
        EncryptSectors<8>(buffer, counter, keys, rounds);
        buffer += 8 * 512;
        blocks -= 8 * kBlocksPerSector;
    }
    if (blocks >= 4 * kBlocksPerSector) {
        EncryptSectors<4>(buffer, counter, keys, rounds);
        buffer += 4 * 512;
        blocks -= 4 * kBlocksPerSector;
    }
    if (blocks >= 2 * kBlocksPerSector) {
        EncryptSectors<2>(buffer, counter, keys, rounds);
        buffer += 2 * 512;
        blocks -= 2 * kBlocksPerSector;
    }
    // At most one whole sector and one partial sector remain.
    while (blocks > 0) {
        __m128i v = TakeInitialVector(counter);
        size_t inSector = blocks < kBlocksPerSector ? blocks : size_t(kBlocksPerSector);
        for (size_t j = 0; j < inSector; ++j, buffer += 16) {
            v = EncryptOne(_mm_xor_si128(Load(buffer), v), keys, rounds);
            Store(buffer, v);
        }
        blocks -= inSector;
    }
    SecureWipe(keys, sizeof keys);
}

KOVARA_ALIGN_STACK
void SectorDecryptNi(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    if (lengthBytes < 16) return;
    const int rounds = context->rounds;
    __m128i keys[kMaxRoundKeys];
    LoadRoundKeys(context->decryptRoundKeys, keys);

    size_t blocks = lengthBytes / 16;
    while (blocks > 0) {
        __m128i previous = TakeInitialVector(counter);
        size_t inSector = blocks < kBlocksPerSector ? blocks : size_t(kBlocksPerSector);
        blocks -= inSector;
        for (; inSector >= 8; inSector -= 8, buffer += 8 * 16) DecryptBlocks<8>(buffer, previous, keys, rounds);
        for (; inSector > 0; --inSector, buffer += 16) DecryptBlocks<1>(buffer, previous, keys, rounds);
    }
    SecureWipe(keys, sizeof keys);
}

#else  // no AES-NI on this target: the constant-time path stands in

void AesEncryptBlockNi(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    AesEncryptBlockCt(in16, out16, context);
}
void AesDecryptBlockNi(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    AesDecryptBlockCt(in16, out16, context);
}
void SectorEncryptNi(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    SectorEncryptCt(buffer, lengthBytes, counter, context);
}
void SectorDecryptNi(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    SectorDecryptCt(buffer, lengthBytes, counter, context);
}

#endif
