// SHA-512 (FIPS 180-2).
#pragma once
#include <stddef.h>
#include <stdint.h>

struct Sha512State {
    uint64_t state[8];
    uint64_t bitCountHigh, bitCountLow;
    unsigned char buffer[128];
};

void Sha512Init(Sha512State *state);
void Sha512Update(Sha512State *state, const unsigned char *data, size_t length);
void Sha512Final(unsigned char *digest64, Sha512State *state);

// Zero-fills outLength bytes of out, then writes the first min(outLength, 64)
// digest bytes. Does nothing when outLength is 0.
void Sha512Truncated(const unsigned char *data, size_t length, unsigned char *out, size_t outLength);
