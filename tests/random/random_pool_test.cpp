// The random pool's byte-level operations against an independent
// computation built on OpenSSL's SHA-1 compression.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cstring>
#include <random>
#include <vector>

#include "crypto/core/random_pool.h"

namespace {

using Buffer = std::vector<unsigned char>;

// The mixing written out from its description: 13 compressions, block taken
// around the 256-byte ring, chaining value little-endian in place.
void ReferenceMix(Buffer &b) {
    for (int offset = 0; offset < 256; offset += 20) {
        unsigned char block[64];
        for (int i = 0; i < 64; ++i) block[i] = b[(offset + i) % 256];
        SHA_CTX ctx;
        SHA1_Init(&ctx);
        uint32_t *h[5] = {&ctx.h0, &ctx.h1, &ctx.h2, &ctx.h3, &ctx.h4};
        for (int w = 0; w < 5; ++w) {
            const unsigned char *p = &b[offset + 4 * w];
            *h[w] = p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
        }
        SHA1_Transform(&ctx, block);
        for (int w = 0; w < 5; ++w)
            for (int k = 0; k < 4; ++k) b[offset + 4 * w + k] = static_cast<unsigned char>(*h[w] >> (8 * k));
    }
}

Buffer RandomBuffer(std::mt19937 &rng) {
    Buffer b(kRandomPoolBufferSize);
    for (auto &x : b) x = static_cast<unsigned char>(rng());
    return b;
}

TEST(RandomMix, MatchesTheReferenceIncludingTheSpareBytes) {
    std::mt19937 rng(1);
    for (int round = 0; round < 20; ++round) {
        Buffer mine = RandomBuffer(rng), expected = mine;
        RandomPool pool = {mine.data(), static_cast<unsigned>(rng() % 257)};
        RandomMix(&pool);
        ReferenceMix(expected);
        EXPECT_EQ(expected, mine);
        EXPECT_EQ(0u, pool.position);
    }
    // From all zeros the spare bytes change too: the last step reaches them.
    Buffer zero(kRandomPoolBufferSize, 0);
    RandomPool pool = {zero.data(), 0};
    RandomMix(&pool);
    EXPECT_NE(Buffer(4, 0), Buffer(zero.begin() + 256, zero.end()));
}

TEST(RandomPoolAdd, SumsBytesModulo256AndAdvances) {
    Buffer b(kRandomPoolBufferSize, 0);
    b[0] = 200;
    b[1] = 5;
    RandomPool pool = {b.data(), 0};
    const unsigned char data[] = {100, 7, 1};
    RandomPoolAdd(&pool, data, 3);
    EXPECT_EQ(44, b[0]);  // 300 mod 256
    EXPECT_EQ(12, b[1]);
    EXPECT_EQ(1, b[2]);
    EXPECT_EQ(3u, pool.position);
    RandomPoolAddValue(&pool, 0x11223344);
    EXPECT_EQ((Buffer{0x44, 0x33, 0x22, 0x11}), Buffer(b.begin() + 3, b.begin() + 7));
    EXPECT_EQ(7u, pool.position);
}

TEST(RandomPoolAdd, ByteAfterAFullPoolMixesFirstAndLandsAtZero) {
    std::mt19937 rng(2);
    Buffer mine = RandomBuffer(rng), expected = mine;
    RandomPool pool = {mine.data(), 250};
    const unsigned char data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    RandomPoolAdd(&pool, data, 8);
    for (int i = 0; i < 6; ++i) expected[250 + i] = static_cast<unsigned char>(expected[250 + i] + data[i]);
    ReferenceMix(expected);
    expected[0] = static_cast<unsigned char>(expected[0] + 7);
    expected[1] = static_cast<unsigned char>(expected[1] + 8);
    EXPECT_EQ(expected, mine);
    EXPECT_EQ(2u, pool.position);
    // A pool that is exactly full is not mixed until the next byte comes.
    Buffer full = RandomBuffer(rng), before = full;
    RandomPool p2 = {full.data(), 255};
    RandomPoolAdd(&p2, data, 1);
    EXPECT_EQ(256u, p2.position);
    before[255] = static_cast<unsigned char>(before[255] + 1);
    EXPECT_EQ(before, full);
}

TEST(RandomPoolDraw, MixCopyInvertMixAndAtMost256Bytes) {
    std::mt19937 rng(3);
    Buffer mine = RandomBuffer(rng), expected = mine;
    RandomPool pool = {mine.data(), 17};
    std::vector<unsigned char> out(300, 0xAA);
    EXPECT_EQ(256u, RandomPoolDraw(&pool, out.data(), out.size()));
    ReferenceMix(expected);
    Buffer drawn(expected.begin(), expected.begin() + 256);
    for (int i = 0; i < 256; ++i) expected[i] = static_cast<unsigned char>(~expected[i]);
    ReferenceMix(expected);
    EXPECT_EQ(drawn, Buffer(out.begin(), out.begin() + 256));
    EXPECT_EQ(Buffer(44, 0xAA), Buffer(out.begin() + 256, out.end()));  // nothing past 256
    EXPECT_EQ(expected, mine);
    EXPECT_EQ(0u, pool.position);
}

TEST(RandomPoolDraw, TwoDrawsInARowDifferWithoutNewEntropy) {
    Buffer b(kRandomPoolBufferSize, 0);
    RandomPool pool = {b.data(), 0};
    unsigned char first[20], second[20], third[20];
    EXPECT_EQ(20u, RandomPoolDraw(&pool, first, 20));
    EXPECT_EQ(20u, RandomPoolDraw(&pool, second, 20));
    EXPECT_EQ(20u, RandomPoolDraw(&pool, third, 20));
    EXPECT_NE(0, std::memcmp(first, second, 20));
    EXPECT_NE(0, std::memcmp(second, third, 20));
    EXPECT_NE(0, std::memcmp(first, third, 20));
}

}  // namespace
