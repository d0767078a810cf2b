#include "crypto/core/aes.h"

#include "crypto/core/aes_impl.h"
#include "crypto/core/byte_order.h"
#include "crypto/core/secure_wipe.h"

namespace {

inline uint32_t RotateLeft(uint32_t w, int n) { return (w << n) | (w >> (32 - n)); }

// Each of the four bytes times 02 in GF(2^8), without a branch on their bits.
inline uint32_t Times2(uint32_t w) { return ((w & 0x7F7F7F7Fu) << 1) ^ (((w >> 7) & 0x01010101u) * 0x1Bu); }

// InvMixColumns of one column held as a big-endian word:
// s'_r = 0E s_r + 0B s_r+1 + 0D s_r+2 + 09 s_r+3.
uint32_t InverseMixColumn(uint32_t w) {
    uint32_t w2 = Times2(w), w4 = Times2(w2), w8 = Times2(w4);
    uint32_t w9 = w8 ^ w, w11 = w8 ^ w2 ^ w, w13 = w8 ^ w4 ^ w, w14 = w8 ^ w4 ^ w2;
    return w14 ^ RotateLeft(w11, 8) ^ RotateLeft(w13, 16) ^ RotateLeft(w9, 24);
}

int ProcessorHasAesNi() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 1, ebx, ecx = 0, edx;
    __asm__ volatile("cpuid" : "+a"(eax), "=b"(ebx), "+c"(ecx), "=d"(edx));
    const unsigned kSse2 = 1u << 26, kSsse3 = 1u << 9, kAes = 1u << 25;
    return (edx & kSse2) && (ecx & kSsse3) && (ecx & kAes);
#else
    return 0;
#endif
}

// VAES and AVX2 in the processor, and the 128- and 256-bit register state
// (XCR0 bits 1 and 2) enabled by the operating system.
int ProcessorHasVaes() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx, ecx = 0, edx;
    __asm__ volatile("cpuid" : "+a"(eax), "=b"(ebx), "+c"(ecx), "=d"(edx));
    if (eax < 7) return 0;
    eax = 1, ecx = 0;
    __asm__ volatile("cpuid" : "+a"(eax), "=b"(ebx), "+c"(ecx), "=d"(edx));
    const unsigned kOsXsave = 1u << 27, kAvx = 1u << 28;
    if (!(ecx & kOsXsave) || !(ecx & kAvx)) return 0;  // xgetbv faults without OSXSAVE
    unsigned xcr0Low, xcr0High;
    __asm__ volatile("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
    const unsigned kSseState = 1u << 1, kAvxState = 1u << 2;
    if ((xcr0Low & (kSseState | kAvxState)) != (kSseState | kAvxState)) return 0;
    eax = 7, ecx = 0;
    __asm__ volatile("cpuid" : "+a"(eax), "=b"(ebx), "+c"(ecx), "=d"(edx));
    const unsigned kAvx2 = 1u << 5, kVaes = 1u << 9;
    return (ebx & kAvx2) && (ecx & kVaes);
#else
    return 0;
#endif
}

// AVX-512F in the processor, and the opmask and 512-bit register state (XCR0
// bits 5 to 7) enabled by the operating system. Asked only after ProcessorHasVaes.
int ProcessorHasAvx512() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned xcr0Low, xcr0High;
    __asm__ volatile("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
    const unsigned kZmmState = (1u << 5) | (1u << 6) | (1u << 7);
    if ((xcr0Low & kZmmState) != kZmmState) return 0;
    unsigned eax = 7, ebx, ecx = 0, edx;
    __asm__ volatile("cpuid" : "+a"(eax), "=b"(ebx), "+c"(ecx), "=d"(edx));
    const unsigned kAvx512f = 1u << 16;
    return (ebx & kAvx512f) != 0;
#else
    return 0;
#endif
}

// Cached processor checks: -1 unknown, else 0/1. Racing first calls all store the same value.
volatile int gAesNi = -1;
volatile int gVaes = -1;
volatile int gVaes512 = -1;

inline bool UseAesNi() {
    int known = gAesNi;
    if (known < 0) gAesNi = known = ProcessorHasAesNi();
    return known != 0;
}

inline bool UseVaes() {
    int known = gVaes;
    if (known < 0) gVaes = known = UseAesNi() && AesVaesBuilt() && ProcessorHasVaes();
    return known != 0;
}

inline bool UseVaes512() {
    int known = gVaes512;
    if (known < 0) gVaes512 = known = UseVaes() && ProcessorHasAvx512();
    return known != 0;
}

}  // namespace

// The FIPS-197 key expansion with a constant-time SubWord, then the schedule
// of the equivalent inverse cipher for the AES-NI path. Both paths share it.
AesKeyStatus AesSetKey(const unsigned char *key, size_t keyLengthBytes, int rounds, AesContext *context) {
    if (keyLengthBytes != 16 && keyLengthBytes != 24 && keyLengthBytes != 32) return kAesKeyLengthInvalid;
    const int expected = int(keyLengthBytes) / 8 * 2 + 6;
    if (rounds != 0 && rounds != expected) return kAesKeyRoundsMismatch;

    const int nk = int(keyLengthBytes) / 4;
    const int total = 4 * (expected + 1);
    uint32_t *w = context->encryptRoundKeys;
    for (int i = 0; i < nk; ++i) w[i] = LoadBe32(key + 4 * i);
    uint32_t roundConstant = 0x01000000u;
    for (int i = nk; i < total; ++i) {
        uint32_t t = w[i - 1];
        if (i % nk == 0) {
            t = AesSubWordCt(RotateLeft(t, 8)) ^ roundConstant;
            roundConstant = Times2(roundConstant);
        } else if (nk > 6 && i % nk == 4) {
            t = AesSubWordCt(t);
        }
        w[i] = w[i - nk] ^ t;
    }

    // Equivalent inverse cipher: round keys in reverse order, InvMixColumns on
    // every round key but the first and the last.
    uint32_t *d = context->decryptRoundKeys;
    for (int round = 0; round <= expected; ++round) {
        for (int c = 0; c < 4; ++c) {
            uint32_t k = w[4 * (expected - round) + c];
            d[4 * round + c] = (round == 0 || round == expected) ? k : InverseMixColumn(k);
        }
    }
    context->rounds = expected;
    return kAesKeyOk;
}

void SectorTakeInitialVector(SectorCounter *counter, unsigned char *iv16) {
    for (int i = 0; i < 4; ++i) {
        uint32_t w = counter->words[i];
        iv16[4 * i] = (unsigned char)w;
        iv16[4 * i + 1] = (unsigned char)(w >> 8);
        iv16[4 * i + 2] = (unsigned char)(w >> 16);
        iv16[4 * i + 3] = (unsigned char)(w >> 24);
    }
    for (int i = 0; i < 4; ++i)
        if (++counter->words[i] != 0) break;
}

int AesNiAvailable() { return UseAesNi() ? 1 : 0; }

int AesVaesAvailable() { return UseVaes() ? 1 : 0; }

int AesVaes512Available() { return UseVaes512() ? 1 : 0; }

void AesEncryptBlock(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    if (UseAesNi())
        AesEncryptBlockNi(in16, out16, context);
    else
        AesEncryptBlockCt(in16, out16, context);
}

void AesDecryptBlock(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    if (UseAesNi())
        AesDecryptBlockNi(in16, out16, context);
    else
        AesDecryptBlockCt(in16, out16, context);
}

void SectorEncrypt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    if (UseAesNi())
        SectorEncryptNi(buffer, lengthBytes, counter, context);
    else
        SectorEncryptCt(buffer, lengthBytes, counter, context);
}

void SectorDecrypt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    if (UseAesNi())
        SectorDecryptNi(buffer, lengthBytes, counter, context);
    else
        SectorDecryptCt(buffer, lengthBytes, counter, context);
}

void SectorDecryptBulk(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context) {
    if (UseVaes512())
        SectorDecryptVaes512(buffer, lengthBytes, counter, context);
    else if (UseVaes())
        SectorDecryptVaes(buffer, lengthBytes, counter, context);
    else
        SectorDecrypt(buffer, lengthBytes, counter, context);
}
