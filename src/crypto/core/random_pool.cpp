#include "crypto/core/random_pool.h"

#include <string.h>

#include "crypto/core/byte_order.h"
#include "crypto/core/secure_wipe.h"
#include "crypto/core/sha1.h"

// One pass is thirteen SHA-1 compressions in a row. The step at offset k
// rewrites bytes [k, k+20) from the 64 bytes [k, k+64) alone, and for k up
// to 180 those are still the bytes from before the pass: each 20 bytes of
// output depend on a window of only 64 input bytes, not on the whole pool
// (only the last three steps wrap round and read bytes already rewritten).
// A 20-byte salt drawn from the start of the pool therefore carries at most
// what bytes 0-63 held; entropy added elsewhere reaches it only through the
// mixes of earlier draws. The slow poll's 64 bytes from the system's own
// generator make up for this.
void RandomMix(RandomPool *pool) {
    unsigned char *b = pool->buffer;
    unsigned char block[64];
    uint32_t state[5];
    for (unsigned offset = 0; offset < kRandomPoolSize; offset += 20) {
        for (unsigned i = 0; i < 64; ++i) block[i] = b[(offset + i) % kRandomPoolSize];
        // The chaining value is read little-endian, unlike SHA-1's own words;
        // at offset 240 it reaches into the 4 spare bytes.
        for (int w = 0; w < 5; ++w) state[w] = LoadLe32(b + offset + 4 * w);
        Sha1Compress(state, block);
        for (int w = 0; w < 5; ++w) StoreLe32(b + offset + 4 * w, state[w]);
        SecureWipe(block, sizeof block);
    }
    SecureWipe(state, sizeof state);
    pool->position = 0;
}

void RandomPoolAdd(RandomPool *pool, const void *data, size_t length) {
    const unsigned char *p = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < length; ++i) {
        if (pool->position >= kRandomPoolSize) RandomMix(pool);
        unsigned char *slot = pool->buffer + pool->position;
        *slot = static_cast<unsigned char>(*slot + p[i]);
        ++pool->position;
    }
}

void RandomPoolAddValue(RandomPool *pool, uint32_t value) {
    unsigned char bytes[4];
    StoreLe32(bytes, value);
    RandomPoolAdd(pool, bytes, sizeof bytes);
}

size_t RandomPoolDraw(RandomPool *pool, unsigned char *out, size_t length) {
    if (length > kRandomPoolSize) length = kRandomPoolSize;
    RandomMix(pool);
    memcpy(out, pool->buffer, length);
    for (unsigned i = 0; i < kRandomPoolSize; ++i) pool->buffer[i] = static_cast<unsigned char>(~pool->buffer[i]);
    RandomMix(pool);
    return length;
}
