// Event checksums of the random pool: the CRC-32 register update and which
// mouse and key events add bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "crypto/core/crc32.h"
#include "crypto/core/random_events.h"

namespace {

// Bit-at-a-time CRC-32 register update, written from the polynomial alone.
uint32_t SlowCrc(uint32_t crc, const unsigned char *p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return crc;
}

uint32_t Little(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

uint32_t Timing(uint32_t delta, uint32_t now) {
    unsigned char b[8];
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<unsigned char>(delta >> (8 * i));
        b[4 + i] = static_cast<unsigned char>(now >> (8 * i));
    }
    return SlowCrc(0, b, 8);
}

TEST(Crc32Update, StandardCheckValueWithTheUsualInversionsAddedByTheCaller) {
    const char *text = "123456789";
    EXPECT_EQ(0xCBF43926u, ~Crc32Update(0xFFFFFFFFu, text, 9));
    EXPECT_EQ(0u, Crc32Update(0, "", 0));
    EXPECT_EQ(0u, Crc32Update(0, "\0\0\0\0", 4));  // from 0, zero bytes stay 0
}

TEST(Crc32Update, MatchesTheBitwiseRegisterUpdateAndChains) {
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        std::vector<unsigned char> data(rng() % 300);
        for (auto &b : data) b = static_cast<unsigned char>(rng());
        uint32_t start = round % 2 ? rng() : 0;
        uint32_t whole = Crc32Update(start, data.data(), data.size());
        EXPECT_EQ(SlowCrc(start, data.data(), data.size()), whole);
        size_t cut = data.empty() ? 0 : rng() % data.size();
        EXPECT_EQ(whole, Crc32Update(Crc32Update(start, data.data(), cut), data.data() + cut, data.size() - cut));
    }
}

uint32_t KeyInfo(uint32_t scan, uint32_t repeat, bool released, bool alt) {
    return (released ? 1u << 31 : 0) | (alt ? 1u << 29 : 0) | (scan << 16) | repeat;
}

TEST(RandomKeyEvent, OnlySingleReleasesWithoutAltAdd) {
    RandomKeyState state = {};
    unsigned char out[8];
    EXPECT_EQ(0, RandomKeyEvent(&state, KeyInfo(0x1E, 1, false, false), 100, out));  // press
    EXPECT_EQ(0, RandomKeyEvent(&state, KeyInfo(0x1E, 2, true, false), 100, out));   // repeat 2
    EXPECT_EQ(0, RandomKeyEvent(&state, KeyInfo(0x1E, 0, true, false), 100, out));   // repeat 0
    EXPECT_EQ(0, RandomKeyEvent(&state, KeyInfo(0x1E, 1, true, true), 100, out));    // Alt
    // Ignored events leave the state alone.
    EXPECT_EQ(0u, state.previousTime);
    EXPECT_EQ(0u, state.scanCodes[0]);

    uint32_t info = KeyInfo(0x1E, 1, true, false) | 1u << 24 | 1u << 30;  // extended, was down
    ASSERT_EQ(8, RandomKeyEvent(&state, info, 1000, out));
    EXPECT_EQ(info, Little(out));
    EXPECT_EQ(Timing(0u - 1000u, 1000), Little(out + 4));  // delta = previous - now, wrapping
    EXPECT_EQ(1000u, state.previousTime);
    EXPECT_EQ(0x1Eu, state.scanCodes[0]);
}

TEST(RandomKeyEvent, ScanCodeEqualToBothPreviousAcceptedOnesIsIgnored) {
    RandomKeyState state = {};
    unsigned char out[8];
    uint32_t a = KeyInfo(0x1E, 1, true, false), b = KeyInfo(0x30, 1, true, false);
    EXPECT_EQ(8, RandomKeyEvent(&state, a, 10, out));
    EXPECT_EQ(8, RandomKeyEvent(&state, a, 20, out));  // equals only one of them
    EXPECT_EQ(0, RandomKeyEvent(&state, a, 30, out));  // equals both
    EXPECT_EQ(20u, state.previousTime);                // an ignored event keeps the time
    EXPECT_EQ(8, RandomKeyEvent(&state, b, 40, out));
    EXPECT_EQ(Timing(20u - 40u, 40), Little(out + 4));
    EXPECT_EQ(8, RandomKeyEvent(&state, a, 50, out));  // history is b, a
    EXPECT_EQ(0x1Eu, state.scanCodes[0]);
    EXPECT_EQ(0x30u, state.scanCodes[1]);
}

TEST(RandomMouseEvent, RecordMatchingEitherOfTheTwoPreviousAddsNothing) {
    RandomMouseState state = {};
    unsigned char r1[20], r2[20], r3[20], out[8];
    for (int i = 0; i < 20; ++i) {
        r1[i] = static_cast<unsigned char>(i);
        r2[i] = static_cast<unsigned char>(i + 50);
        r3[i] = static_cast<unsigned char>(i * 3);
    }
    ASSERT_EQ(8, RandomMouseEvent(&state, r1, 500, out));
    EXPECT_EQ(Timing(0u - 500u, 500), Little(out));
    EXPECT_EQ(SlowCrc(0, r1, 20), Little(out + 4));
    EXPECT_EQ(0, RandomMouseEvent(&state, r1, 510, out));  // same as newest
    // Rejected events still move the time and the checksum history.
    EXPECT_EQ(510u, state.previousTime);
    EXPECT_EQ(8, RandomMouseEvent(&state, r2, 530, out));
    EXPECT_EQ(Timing(510u - 530u, 530), Little(out));
    EXPECT_EQ(0, RandomMouseEvent(&state, r1, 540, out));  // history r2, r1: matches the older
    EXPECT_EQ(0, RandomMouseEvent(&state, r2, 550, out));  // history r1, r2
    EXPECT_EQ(8, RandomMouseEvent(&state, r3, 560, out));
    EXPECT_EQ(SlowCrc(0, r3, 20), Little(out + 4));
}

TEST(RandomMouseEvent, AllZeroRecordMatchesTheFreshZeroHistory) {
    // A fresh state remembers checksum 0, which is what 20 zero bytes give.
    RandomMouseState state = {};
    unsigned char zero[20] = {}, out[8];
    EXPECT_EQ(0, RandomMouseEvent(&state, zero, 1, out));
}

}  // namespace
