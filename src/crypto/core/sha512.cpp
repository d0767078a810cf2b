#include "crypto/core/sha512.h"

#include <string.h>

#include "crypto/core/byte_order.h"
#include "crypto/core/secure_wipe.h"

namespace {

// First 64 bits of the fractional parts of the cube roots of the first 80 primes.
const uint64_t kRound[80] = {
    0x428A2F98D728AE22ULL, 0x7137449123EF65CDULL, 0xB5C0FBCFEC4D3B2FULL, 0xE9B5DBA58189DBBCULL, 0x3956C25BF348B538ULL,
    0x59F111F1B605D019ULL, 0x923F82A4AF194F9BULL, 0xAB1C5ED5DA6D8118ULL, 0xD807AA98A3030242ULL, 0x12835B0145706FBEULL,
    0x243185BE4EE4B28CULL, 0x550C7DC3D5FFB4E2ULL, 0x72BE5D74F27B896FULL, 0x80DEB1FE3B1696B1ULL, 0x9BDC06A725C71235ULL,
    0xC19BF174CF692694ULL, 0xE49B69C19EF14AD2ULL, 0xEFBE4786384F25E3ULL, 0x0FC19DC68B8CD5B5ULL, 0x240CA1CC77AC9C65ULL,
    0x2DE92C6F592B0275ULL, 0x4A7484AA6EA6E483ULL, 0x5CB0A9DCBD41FBD4ULL, 0x76F988DA831153B5ULL, 0x983E5152EE66DFABULL,
    0xA831C66D2DB43210ULL, 0xB00327C898FB213FULL, 0xBF597FC7BEEF0EE4ULL, 0xC6E00BF33DA88FC2ULL, 0xD5A79147930AA725ULL,
    0x06CA6351E003826FULL, 0x142929670A0E6E70ULL, 0x27B70A8546D22FFCULL, 0x2E1B21385C26C926ULL, 0x4D2C6DFC5AC42AEDULL,
    0x53380D139D95B3DFULL, 0x650A73548BAF63DEULL, 0x766A0ABB3C77B2A8ULL, 0x81C2C92E47EDAEE6ULL, 0x92722C851482353BULL,
    0xA2BFE8A14CF10364ULL, 0xA81A664BBC423001ULL, 0xC24B8B70D0F89791ULL, 0xC76C51A30654BE30ULL, 0xD192E819D6EF5218ULL,
    0xD69906245565A910ULL, 0xF40E35855771202AULL, 0x106AA07032BBD1B8ULL, 0x19A4C116B8D2D0C8ULL, 0x1E376C085141AB53ULL,
    0x2748774CDF8EEB99ULL, 0x34B0BCB5E19B48A8ULL, 0x391C0CB3C5C95A63ULL, 0x4ED8AA4AE3418ACBULL, 0x5B9CCA4F7763E373ULL,
    0x682E6FF3D6B2B8A3ULL, 0x748F82EE5DEFB2FCULL, 0x78A5636F43172F60ULL, 0x84C87814A1F0AB72ULL, 0x8CC702081A6439ECULL,
    0x90BEFFFA23631E28ULL, 0xA4506CEBDE82BDE9ULL, 0xBEF9A3F7B2C67915ULL, 0xC67178F2E372532BULL, 0xCA273ECEEA26619CULL,
    0xD186B8C721C0C207ULL, 0xEADA7DD6CDE0EB1EULL, 0xF57D4F7FEE6ED178ULL, 0x06F067AA72176FBAULL, 0x0A637DC5A2C898A6ULL,
    0x113F9804BEF90DAEULL, 0x1B710B35131C471BULL, 0x28DB77F523047D84ULL, 0x32CAAB7B40C72493ULL, 0x3C9EBE0A15C9BEBCULL,
    0x431D67C49C100D4CULL, 0x4CC5D4BECB3E42B6ULL, 0x597F299CFC657E2AULL, 0x5FCB6FAB3AD6FAECULL, 0x6C44198C4A475817ULL,
};

inline uint64_t RotateRight(uint64_t x, int n) { return (x >> n) | (x << (64 - n)); }

void Compress(uint64_t state[8], const unsigned char *block) {
    uint64_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = LoadBe64(block + 8 * i);
    for (int i = 16; i < 80; ++i) {
        uint64_t s0 = RotateRight(w[i - 15], 1) ^ RotateRight(w[i - 15], 8) ^ (w[i - 15] >> 7);
        uint64_t s1 = RotateRight(w[i - 2], 19) ^ RotateRight(w[i - 2], 61) ^ (w[i - 2] >> 6);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint64_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint64_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 80; ++i) {
        uint64_t t1 =
            h + (RotateRight(e, 14) ^ RotateRight(e, 18) ^ RotateRight(e, 41)) + (g ^ (e & (f ^ g))) + kRound[i] + w[i];
        uint64_t t2 = (RotateRight(a, 28) ^ RotateRight(a, 34) ^ RotateRight(a, 39)) + ((a & b) | (c & (a | b)));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
    SecureWipe(w, sizeof w);
}

}  // namespace

void Sha512Init(Sha512State *state) {
    // First 64 bits of the fractional parts of the square roots of the first 8 primes.
    static const uint64_t kInitial[8] = {
        0x6A09E667F3BCC908ULL, 0xBB67AE8584CAA73BULL, 0x3C6EF372FE94F82BULL, 0xA54FF53A5F1D36F1ULL,
        0x510E527FADE682D1ULL, 0x9B05688C2B3E6C1FULL, 0x1F83D9ABFB41BD6BULL, 0x5BE0CD19137E2179ULL,
    };
    memcpy(state->state, kInitial, sizeof kInitial);
    state->bitCountHigh = 0;
    state->bitCountLow = 0;
}

void Sha512Update(Sha512State *state, const unsigned char *data, size_t length) {
    if (length == 0) return;
    unsigned used = unsigned(state->bitCountLow >> 3) & 127;
    uint64_t bits = uint64_t(length) << 3;
    state->bitCountLow += bits;
    if (state->bitCountLow < bits) ++state->bitCountHigh;
    if (used) {
        size_t take = 128 - used;
        if (length < take) {
            memcpy(state->buffer + used, data, length);
            return;
        }
        memcpy(state->buffer + used, data, take);
        Compress(state->state, state->buffer);
        data += take;
        length -= take;
    }
    for (; length >= 128; data += 128, length -= 128) Compress(state->state, data);
    memcpy(state->buffer, data, length);
}

void Sha512Final(unsigned char *digest64, Sha512State *state) {
    unsigned used = unsigned(state->bitCountLow >> 3) & 127;
    state->buffer[used++] = 0x80;
    if (used > 112) {
        memset(state->buffer + used, 0, 128 - used);
        Compress(state->state, state->buffer);
        used = 0;
    }
    memset(state->buffer + used, 0, 112 - used);
    StoreBe64(state->buffer + 112, state->bitCountHigh);
    StoreBe64(state->buffer + 120, state->bitCountLow);
    Compress(state->state, state->buffer);
    for (int i = 0; i < 8; ++i) StoreBe64(digest64 + 8 * i, state->state[i]);
}

void Sha512Truncated(const unsigned char *data, size_t length, unsigned char *out, size_t outLength) {
    if (outLength == 0) return;
    memset(out, 0, outLength);
    Sha512State sha;
    Sha512Init(&sha);
    Sha512Update(&sha, data, length);
    unsigned char digest[64];
    Sha512Final(digest, &sha);
    memcpy(out, digest, outLength < 64 ? outLength : 64);
    SecureWipe(digest, sizeof digest);
    SecureWipe(&sha, sizeof sha);
}
