// SHA-1 compression function (FIPS 180-1) only; the random pool mixes with it.
#pragma once
#include <stdint.h>

// Runs one compression of the 64-byte block (big-endian message words) over state.
void Sha1Compress(uint32_t state[5], const unsigned char *block64);
