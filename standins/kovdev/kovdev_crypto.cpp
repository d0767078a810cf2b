// Bridges the driver (C, kernel headers) to the crypto core (C++).
#include "kovdev_crypto.h"
#include "crypto/core/aes.h"
#include "crypto/core/aes_impl.h"
#include "crypto/core/sector.h"

static_assert(sizeof(AesContext) <= sizeof(KovdevCipher), "cipher room too small");
static_assert(alignof(AesContext) <= alignof(KovdevCipher), "cipher room misaligned");

namespace {
const AesContext *Context(const KovdevCipher *cipher) { return reinterpret_cast<const AesContext *>(cipher); }
SectorCounter CounterOf(uint64_t sector) {
    SectorCounter counter = {{uint32_t(sector), uint32_t(sector >> 32), 0, 0}};
    return counter;
}
}  // namespace

extern "C" int KovdevCipherSetKey(KovdevCipher *cipher, const unsigned char *key32) {
    for (auto &word : cipher->words) word = 0;
    return AesSetKey(key32, 32, 0, reinterpret_cast<AesContext *>(cipher)) == kAesKeyOk;
}

extern "C" void KovdevCipherEncrypt(const KovdevCipher *cipher, unsigned char *buffer, uint32_t length,
                                    uint64_t firstSector, int vectorUnit) {
    SectorCounter counter = CounterOf(firstSector);
    if (vectorUnit)
        SectorEncrypt(buffer, length, &counter, Context(cipher));
    else
        SectorEncryptCt(buffer, length, &counter, Context(cipher));
}

extern "C" void KovdevCipherDecrypt(const KovdevCipher *cipher, unsigned char *buffer, uint32_t length,
                                    uint64_t firstSector, int vectorUnit) {
    SectorCounter counter = CounterOf(firstSector);
    if (vectorUnit)
        SectorDecrypt(buffer, length, &counter, Context(cipher));
    else
        SectorDecryptCt(buffer, length, &counter, Context(cipher));
}
