#include "crypto/aes.h"
#include "crypto/aes_impl.h"
#include "crypto/aes_tables.h"

namespace aes_detail {
constexpr Tables kTables;
}

using aes_detail::kTables;

namespace {

inline uint32_t LoadBigEndian(const unsigned char *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline void StoreBigEndian(uint32_t w, unsigned char *p) {
    p[0] = (unsigned char)(w >> 24);
    p[1] = (unsigned char)(w >> 16);
    p[2] = (unsigned char)(w >> 8);
    p[3] = (unsigned char)w;
}

inline uint32_t SubWord(uint32_t w) {
    const uint8_t *s = kTables.sbox;
    return uint32_t(s[w >> 24]) << 24 | uint32_t(s[(w >> 16) & 0xFF]) << 16 | uint32_t(s[(w >> 8) & 0xFF]) << 8 |
           s[w & 0xFF];
}

inline uint32_t InverseMixColumn(uint32_t w) {
    // decrypt[] applies InvSubBytes first, so undo it with the forward S-box.
    const uint8_t *s = kTables.sbox;
    return kTables.decrypt[0][s[w >> 24]] ^ kTables.decrypt[1][s[(w >> 16) & 0xFF]] ^
           kTables.decrypt[2][s[(w >> 8) & 0xFF]] ^ kTables.decrypt[3][s[w & 0xFF]];
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

}  // namespace

int AesSetKey(const unsigned char *key, int keyLengthBytes, int rounds, AesContext *context) {
    if (keyLengthBytes != 16 && keyLengthBytes != 24 && keyLengthBytes != 32) return 3;
    int expected = keyLengthBytes / 8 * 2 + 6;
    if (rounds != 0 && rounds != expected) return 4;

    const int nk = keyLengthBytes / 4;
    const int total = 4 * (expected + 1);
    uint32_t *w = context->encryptRoundKeys;
    for (int i = 0; i < nk; ++i) w[i] = LoadBigEndian(key + 4 * i);
    for (int i = nk; i < total; ++i) {
        uint32_t t = w[i - 1];
        if (i % nk == 0)
            t = SubWord((t << 8) | (t >> 24)) ^ kTables.roundConstant[i / nk - 1];
        else if (nk > 6 && i % nk == 4)
            t = SubWord(t);
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
    return 0;
}

namespace {

void EncryptWords(uint32_t s[4], const AesContext *context) {
    const uint32_t *rk = context->encryptRoundKeys;
    const uint32_t(*te)[256] = kTables.encrypt;
    uint32_t s0 = s[0] ^ rk[0], s1 = s[1] ^ rk[1], s2 = s[2] ^ rk[2], s3 = s[3] ^ rk[3];
    for (int round = 1; round < context->rounds; ++round) {
        rk += 4;
        uint32_t t0 = te[0][s0 >> 24] ^ te[1][(s1 >> 16) & 0xFF] ^ te[2][(s2 >> 8) & 0xFF] ^ te[3][s3 & 0xFF] ^ rk[0];
        uint32_t t1 = te[0][s1 >> 24] ^ te[1][(s2 >> 16) & 0xFF] ^ te[2][(s3 >> 8) & 0xFF] ^ te[3][s0 & 0xFF] ^ rk[1];
        uint32_t t2 = te[0][s2 >> 24] ^ te[1][(s3 >> 16) & 0xFF] ^ te[2][(s0 >> 8) & 0xFF] ^ te[3][s1 & 0xFF] ^ rk[2];
        uint32_t t3 = te[0][s3 >> 24] ^ te[1][(s0 >> 16) & 0xFF] ^ te[2][(s1 >> 8) & 0xFF] ^ te[3][s2 & 0xFF] ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    rk += 4;
    const uint8_t *sb = kTables.sbox;
    s[0] = (uint32_t(sb[s0 >> 24]) << 24 | uint32_t(sb[(s1 >> 16) & 0xFF]) << 16 |
            uint32_t(sb[(s2 >> 8) & 0xFF]) << 8 | sb[s3 & 0xFF]) ^ rk[0];
    s[1] = (uint32_t(sb[s1 >> 24]) << 24 | uint32_t(sb[(s2 >> 16) & 0xFF]) << 16 |
            uint32_t(sb[(s3 >> 8) & 0xFF]) << 8 | sb[s0 & 0xFF]) ^ rk[1];
    s[2] = (uint32_t(sb[s2 >> 24]) << 24 | uint32_t(sb[(s3 >> 16) & 0xFF]) << 16 |
            uint32_t(sb[(s0 >> 8) & 0xFF]) << 8 | sb[s1 & 0xFF]) ^ rk[2];
    s[3] = (uint32_t(sb[s3 >> 24]) << 24 | uint32_t(sb[(s0 >> 16) & 0xFF]) << 16 |
            uint32_t(sb[(s1 >> 8) & 0xFF]) << 8 | sb[s2 & 0xFF]) ^ rk[3];
}

void DecryptWords(uint32_t s[4], const AesContext *context) {
    const uint32_t *rk = context->decryptRoundKeys;
    const uint32_t(*td)[256] = kTables.decrypt;
    uint32_t s0 = s[0] ^ rk[0], s1 = s[1] ^ rk[1], s2 = s[2] ^ rk[2], s3 = s[3] ^ rk[3];
    for (int round = 1; round < context->rounds; ++round) {
        rk += 4;
        uint32_t t0 = td[0][s0 >> 24] ^ td[1][(s3 >> 16) & 0xFF] ^ td[2][(s2 >> 8) & 0xFF] ^ td[3][s1 & 0xFF] ^ rk[0];
        uint32_t t1 = td[0][s1 >> 24] ^ td[1][(s0 >> 16) & 0xFF] ^ td[2][(s3 >> 8) & 0xFF] ^ td[3][s2 & 0xFF] ^ rk[1];
        uint32_t t2 = td[0][s2 >> 24] ^ td[1][(s1 >> 16) & 0xFF] ^ td[2][(s0 >> 8) & 0xFF] ^ td[3][s3 & 0xFF] ^ rk[2];
        uint32_t t3 = td[0][s3 >> 24] ^ td[1][(s2 >> 16) & 0xFF] ^ td[2][(s1 >> 8) & 0xFF] ^ td[3][s0 & 0xFF] ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    rk += 4;
    const uint8_t *si = kTables.inverseSbox;
    s[0] = (uint32_t(si[s0 >> 24]) << 24 | uint32_t(si[(s3 >> 16) & 0xFF]) << 16 |
            uint32_t(si[(s2 >> 8) & 0xFF]) << 8 | si[s1 & 0xFF]) ^ rk[0];
    s[1] = (uint32_t(si[s1 >> 24]) << 24 | uint32_t(si[(s0 >> 16) & 0xFF]) << 16 |
            uint32_t(si[(s3 >> 8) & 0xFF]) << 8 | si[s2 & 0xFF]) ^ rk[1];
    s[2] = (uint32_t(si[s2 >> 24]) << 24 | uint32_t(si[(s1 >> 16) & 0xFF]) << 16 |
            uint32_t(si[(s0 >> 8) & 0xFF]) << 8 | si[s3 & 0xFF]) ^ rk[2];
    s[3] = (uint32_t(si[s3 >> 24]) << 24 | uint32_t(si[(s2 >> 16) & 0xFF]) << 16 |
            uint32_t(si[(s1 >> 8) & 0xFF]) << 8 | si[s0 & 0xFF]) ^ rk[3];
}

inline void LoadBlock(const unsigned char *p, uint32_t s[4]) {
    for (int i = 0; i < 4; ++i) s[i] = LoadBigEndian(p + 4 * i);
}

inline void StoreBlock(const uint32_t s[4], unsigned char *p) {
    for (int i = 0; i < 4; ++i) StoreBigEndian(s[i], p + 4 * i);
}

// Cached processor check: -1 unknown, else 0/1. Racing first calls all store the same value.
volatile int gAesNi = -1;

inline bool UseAesNi() {
    int known = gAesNi;
    if (known < 0) gAesNi = known = ProcessorHasAesNi();
    return known != 0;
}

}  // namespace

void AesEncryptBlockTable(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    uint32_t s[4];
    LoadBlock(in16, s);
    EncryptWords(s, context);
    StoreBlock(s, out16);
}

void AesDecryptBlockTable(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    uint32_t s[4];
    LoadBlock(in16, s);
    DecryptWords(s, context);
    StoreBlock(s, out16);
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

enum { kBlocksPerSector = 32 };

void SectorEncryptTable(unsigned char *buffer, int lengthBytes, SectorCounter *counter, const AesContext *context) {
    int blocks = lengthBytes / 16;
    uint32_t v[4] = {0, 0, 0, 0};
    for (int j = 0; j < blocks; ++j) {
        unsigned char *p = buffer + 16 * j;
        if (j % kBlocksPerSector == 0) {
            unsigned char iv[16];
            SectorTakeInitialVector(counter, iv);
            LoadBlock(iv, v);
        }
        uint32_t s[4];
        LoadBlock(p, s);
        for (int i = 0; i < 4; ++i) s[i] ^= v[i];
        EncryptWords(s, context);
        StoreBlock(s, p);
        for (int i = 0; i < 4; ++i) v[i] = s[i];
    }
}

void SectorDecryptTable(unsigned char *buffer, int lengthBytes, SectorCounter *counter, const AesContext *context) {
    int blocks = lengthBytes / 16;
    uint32_t v[4] = {0, 0, 0, 0};
    for (int j = 0; j < blocks; ++j) {
        unsigned char *p = buffer + 16 * j;
        if (j % kBlocksPerSector == 0) {
            unsigned char iv[16];
            SectorTakeInitialVector(counter, iv);
            LoadBlock(iv, v);
        }
        uint32_t c[4], s[4];
        LoadBlock(p, c);
        for (int i = 0; i < 4; ++i) s[i] = c[i];
        DecryptWords(s, context);
        for (int i = 0; i < 4; ++i) {
            s[i] ^= v[i];
            v[i] = c[i];
        }
        StoreBlock(s, p);
    }
}

int AesNiAvailable() { return UseAesNi() ? 1 : 0; }

void AesEncryptBlock(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    if (UseAesNi())
        AesEncryptBlockNi(in16, out16, context);
    else
        AesEncryptBlockTable(in16, out16, context);
}

void AesDecryptBlock(const unsigned char *in16, unsigned char *out16, const AesContext *context) {
    if (UseAesNi())
        AesDecryptBlockNi(in16, out16, context);
    else
        AesDecryptBlockTable(in16, out16, context);
}

void SectorEncrypt(unsigned char *buffer, int lengthBytes, SectorCounter *counter, const AesContext *context) {
    if (UseAesNi())
        SectorEncryptNi(buffer, lengthBytes, counter, context);
    else
        SectorEncryptTable(buffer, lengthBytes, counter, context);
}

void SectorDecrypt(unsigned char *buffer, int lengthBytes, SectorCounter *counter, const AesContext *context) {
    if (UseAesNi())
        SectorDecryptNi(buffer, lengthBytes, counter, context);
    else
        SectorDecryptTable(buffer, lengthBytes, counter, context);
}
