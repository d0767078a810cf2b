// The random pool: 256 bytes into which entropy is summed, stirred with the
// SHA-1 compression function using the pool itself as chaining state.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum {
    kRandomPoolSize = 256,
    // The last mixing step also writes the 4 bytes after the pool; they are
    // never handed out.
    kRandomPoolBufferSize = 260,
};

// One pool over a caller-owned buffer of kRandomPoolBufferSize bytes.
struct RandomPool {
    unsigned char *buffer;
    unsigned int position;  // 0 ... 256: where the next byte is added
};

// Sums each byte into the pool at the write position (mixing first when the
// pool is full).
void RandomPoolAdd(RandomPool *pool, const void *data, size_t length);
// The four bytes of a 32-bit value, least significant first.
void RandomPoolAddValue(RandomPool *pool, uint32_t value);
// Thirteen compressions over the pool; the write position returns to 0.
void RandomMix(RandomPool *pool);
// Mixes, copies min(length, 256) bytes out, inverts the pool and mixes again
// (so two draws in a row never repeat). Returns the number of bytes copied.
size_t RandomPoolDraw(RandomPool *pool, unsigned char *out, size_t length);
