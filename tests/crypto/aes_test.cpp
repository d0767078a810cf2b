#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "aes_paths.h"
#include "test_bytes.h"

namespace {

AesContext KeyedContext(const std::vector<unsigned char> &key) {
    AesContext context;
    memset(&context, 0, sizeof context);
    EXPECT_EQ(kAesKeyOk, AesSetKey(key.data(), key.size(), 0, &context));
    return context;
}

std::vector<unsigned char> SequenceBytes(int count) {
    std::vector<unsigned char> bytes(count);
    for (int i = 0; i < count; ++i) bytes[i] = (unsigned char)i;
    return bytes;
}

TEST(AesSetKey, RefusesBadLengthsAndRoundsWithoutTouchingTheContext) {
    const std::vector<unsigned char> key = SequenceBytes(32);
    AesContext context, untouched;
    memset(&context, 0xA5, sizeof context);
    memcpy(&untouched, &context, sizeof context);

    EXPECT_EQ(kAesKeyLengthInvalid, AesSetKey(key.data(), 20, 0, &context));
    EXPECT_EQ(kAesKeyLengthInvalid, AesSetKey(key.data(), 0, 0, &context));
    EXPECT_EQ(kAesKeyRoundsMismatch, AesSetKey(key.data(), 32, 12, &context));
    EXPECT_EQ(kAesKeyRoundsMismatch, AesSetKey(key.data(), 16, 14, &context));
    EXPECT_EQ(0, memcmp(&context, &untouched, sizeof context));

    memset(&context, 0, sizeof context);
    EXPECT_EQ(kAesKeyOk, AesSetKey(key.data(), 32, 14, &context));
    EXPECT_EQ(14, context.rounds);
    memset(&context, 0, sizeof context);
    EXPECT_EQ(kAesKeyOk, AesSetKey(key.data(), 32, 0, &context));
    EXPECT_EQ(14, context.rounds);
    EXPECT_EQ(kAesKeyOk, AesSetKey(key.data(), 24, 0, &context));
    EXPECT_EQ(12, context.rounds);
    EXPECT_EQ(kAesKeyOk, AesSetKey(key.data(), 16, 10, &context));
    EXPECT_EQ(10, context.rounds);
}

TEST(AesSetKey, ExpandsTheFips197Aes256ScheduleAndItsEquivalentInverse) {
    AesContext context = KeyedContext(FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4"));
    // FIPS-197 appendix A.3: w[8], w[9] and the last word w[59].
    EXPECT_EQ(0x9ba35411u, context.encryptRoundKeys[8]);
    EXPECT_EQ(0x8e6925afu, context.encryptRoundKeys[9]);
    EXPECT_EQ(0x706c631eu, context.encryptRoundKeys[59]);
    // The decryption schedule starts with the last round key and ends with the cipher key.
    EXPECT_EQ(context.encryptRoundKeys[56], context.decryptRoundKeys[0]);
    EXPECT_EQ(context.encryptRoundKeys[0], context.decryptRoundKeys[56]);
    EXPECT_EQ(0x603deb10u, context.decryptRoundKeys[56]);
}

class AesPathTest : public testing::TestWithParam<AesPath> {};

TEST_P(AesPathTest, ReproducesFips197AppendixC) {
    const AesPath &path = GetParam();
    SKIP_WITHOUT_PATH(path);
    struct Case {
        int keyLength;
        const char *cipher;
    } cases[] = {{16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
                 {24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
                 {32, "8ea2b7ca516745bfeafc49904b496089"}};
    const std::vector<unsigned char> plain = FromHex("00112233445566778899aabbccddeeff");
    for (const Case &c : cases) {
        AesContext context = KeyedContext(SequenceBytes(c.keyLength));
        unsigned char out[16], back[16];
        path.encryptBlock(plain.data(), out, &context);
        EXPECT_EQ(c.cipher, ToHex(out, 16)) << c.keyLength;
        path.decryptBlock(out, back, &context);
        EXPECT_EQ(ToHex(plain), ToHex(back, 16)) << c.keyLength;

        unsigned char inPlace[16];
        memcpy(inPlace, plain.data(), 16);
        path.encryptBlock(inPlace, inPlace, &context);
        EXPECT_EQ(c.cipher, ToHex(inPlace, 16));
        path.decryptBlock(inPlace, inPlace, &context);
        EXPECT_EQ(ToHex(plain), ToHex(inPlace, 16));
    }
}

const char kSp80038aKey[] = "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4";
const char kSp80038aPlain[] =
    "6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52ef f69f2445df4f9b17ad2b417be66c3710";
const char kSp80038aCipher[] =
    "f58c4c04d6e5f1ba779eabfb5f7bfbd6 9cfc4e967edb808d679f777bc6702c7d"
    "39f23369a9d9bacfa530e26304231461 b2eb05e2c39be9fcda6c19078c6a9d1b";

TEST_P(AesPathTest, SectorChainingIsCbcWithTheCounterAsInitialVector) {
    const AesPath &path = GetParam();
    SKIP_WITHOUT_PATH(path);
    AesContext context = KeyedContext(FromHex(kSp80038aKey));

    // SP 800-38A F.2.5 uses the IV 00 01 .. 0F: that is this counter in little-endian form.
    std::vector<unsigned char> buffer = FromHex(kSp80038aPlain);
    SectorCounter counter = {{0x03020100, 0x07060504, 0x0B0A0908, 0x0F0E0D0C}};
    path.sectorEncrypt(buffer.data(), int(buffer.size()), &counter, &context);
    EXPECT_EQ(ToHex(FromHex(kSp80038aCipher)), ToHex(buffer));
    EXPECT_EQ(0x03020101u, counter.words[0]);

    counter = {{0x03020100, 0x07060504, 0x0B0A0908, 0x0F0E0D0C}};
    path.sectorDecrypt(buffer.data(), int(buffer.size()), &counter, &context);
    EXPECT_EQ(ToHex(FromHex(kSp80038aPlain)), ToHex(buffer));

    // With a zero counter the chaining value is zero: pre-whiten the first block with the IV.
    buffer = FromHex(kSp80038aPlain);
    for (int i = 0; i < 16; ++i) buffer[i] ^= (unsigned char)i;
    counter = {{0, 0, 0, 0}};
    path.sectorEncrypt(buffer.data(), int(buffer.size()), &counter, &context);
    EXPECT_EQ(ToHex(FromHex(kSp80038aCipher)), ToHex(buffer));
    EXPECT_EQ(1u, counter.words[0]);
}

// Independent model of the chaining built from single blocks of the same path.
std::vector<unsigned char> ChainModel(const AesPath &path, std::vector<unsigned char> data, SectorCounter counter,
                                      const AesContext &context) {
    size_t blocks = data.size() / 16;
    unsigned char v[16];
    for (size_t j = 0; j < blocks; ++j) {
        if (j % 32 == 0) {
            memcpy(v, counter.words, 16);  // little-endian host in these tests
            for (int w = 0; w < 4 && ++counter.words[w] == 0; ++w) {
            }
        }
        for (int i = 0; i < 16; ++i) data[16 * j + i] ^= v[i];
        path.encryptBlock(&data[16 * j], &data[16 * j], &context);
        memcpy(v, &data[16 * j], 16);
    }
    return data;
}

TEST_P(AesPathTest, EachSectorRestartsItsChainFromTheNextCounterValue) {
    const AesPath &path = GetParam();
    SKIP_WITHOUT_PATH(path);
    AesContext context = KeyedContext(SequenceBytes(32));

    std::vector<unsigned char> plain(1024);
    Fill(plain.data(), plain.size(), 7);
    std::vector<unsigned char> buffer = plain;
    SectorCounter counter = {{0, 0, 0, 0}};
    path.sectorEncrypt(buffer.data(), 1024, &counter, &context);
    EXPECT_EQ(2u, counter.words[0]);

    // Second sector on its own, chained from 01 00 .. 00.
    std::vector<unsigned char> second(plain.begin() + 512, plain.end());
    SectorCounter one = {{1, 0, 0, 0}};
    path.sectorEncrypt(second.data(), 512, &one, &context);
    EXPECT_EQ(ToHex(second), ToHex(&buffer[512], 512));

    // 63 sectors plus a partial one exercise every grouping of the multi-sector
    // code: the AES-NI groups, and a full set of constant-time lanes whose last is short.
    const int length = 63 * 512 + 5 * 16 + 9;
    std::vector<unsigned char> big(length);
    Fill(big.data(), big.size(), 99);
    SectorCounter start = {{0xFFFFFFF5u, 0xFFFFFFFFu, 7, 0}};
    std::vector<unsigned char> expected = ChainModel(path, big, start, context);
    SectorCounter running = start;
    std::vector<unsigned char> work = big;
    path.sectorEncrypt(work.data(), length, &running, &context);
    EXPECT_EQ(ToHex(expected), ToHex(work));
    EXPECT_EQ(53u, running.words[0]);  // 64 sectors counted, carrying twice
    EXPECT_EQ(0u, running.words[1]);
    EXPECT_EQ(8u, running.words[2]);
    // The 9 bytes past the last whole block are untouched.
    EXPECT_EQ(0, memcmp(&big[length - 9], &work[length - 9], 9));

    running = start;
    path.sectorDecrypt(work.data(), length, &running, &context);
    EXPECT_EQ(ToHex(big), ToHex(work));
    EXPECT_EQ(8u, running.words[2]);
}

TEST_P(AesPathTest, CounterCarriesThroughAllWordsAndWraps) {
    const AesPath &path = GetParam();
    SKIP_WITHOUT_PATH(path);
    AesContext context = KeyedContext(SequenceBytes(32));
    unsigned char sector[512] = {};

    SectorCounter counter = {{0xFFFFFFFFu, 5, 0, 0}};
    path.sectorEncrypt(sector, 512, &counter, &context);
    EXPECT_EQ(0u, counter.words[0]);
    EXPECT_EQ(6u, counter.words[1]);

    counter = {{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}};
    path.sectorDecrypt(sector, 512, &counter, &context);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(0u, counter.words[i]);
}

TEST_P(AesPathTest, A520ByteBufferIsOneSectorAndEightUntouchedBytes) {
    const AesPath &path = GetParam();
    SKIP_WITHOUT_PATH(path);
    AesContext context = KeyedContext(SequenceBytes(32));
    unsigned char buffer[520], reference[512];
    Fill(buffer, sizeof buffer, 3);
    memcpy(reference, buffer, 512);
    unsigned char tail[8];
    memcpy(tail, buffer + 512, 8);

    SectorCounter counter = {{0, 0, 0, 0}};
    path.sectorEncrypt(buffer, 520, &counter, &context);
    SectorCounter referenceCounter = {{0, 0, 0, 0}};
    path.sectorEncrypt(reference, 512, &referenceCounter, &context);
    EXPECT_EQ(0, memcmp(buffer, reference, 512));
    EXPECT_EQ(0, memcmp(buffer + 512, tail, 8));
    EXPECT_EQ(1u, counter.words[0]);
}

TEST_P(AesPathTest, LengthsBelowOneBlockChangeNothing) {
    const AesPath &path = GetParam();
    SKIP_WITHOUT_PATH(path);
    AesContext context = KeyedContext(SequenceBytes(32));
    for (size_t length : {0, 15}) {
        unsigned char buffer[16];
        memset(buffer, 0x5A, sizeof buffer);
        SectorCounter counter = {{9, 0, 0, 0}};
        path.sectorEncrypt(buffer, length, &counter, &context);
        path.sectorDecrypt(buffer, length, &counter, &context);
        EXPECT_EQ(9u, counter.words[0]) << length;
        for (unsigned char b : buffer) EXPECT_EQ(0x5A, b) << length;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, AesPathTest, testing::ValuesIn(kAesPaths), AesPathName);

TEST(AesPaths, ConstantTimeAndAesNiAgreeOnRandomKeysAndSectors) {
    if (!AesNiAvailable()) GTEST_SKIP() << "processor has no AES-NI";
    for (unsigned trial = 0; trial < 40; ++trial) {
        unsigned char key[32];
        Fill(key, sizeof key, trial);
        int keyLength = trial % 3 == 0 ? 16 : trial % 3 == 1 ? 24 : 32;
        AesContext context;
        memset(&context, 0, sizeof context);
        ASSERT_EQ(kAesKeyOk, AesSetKey(key, keyLength, 0, &context));

        unsigned char block[16], a[16], b[16];
        Fill(block, 16, trial + 1000);
        AesEncryptBlockCt(block, a, &context);
        AesEncryptBlockNi(block, b, &context);
        ASSERT_EQ(ToHex(a, 16), ToHex(b, 16));
        AesDecryptBlockCt(block, a, &context);
        AesDecryptBlockNi(block, b, &context);
        ASSERT_EQ(ToHex(a, 16), ToHex(b, 16));

        int length = int(16 + (trial * 977) % (20 * 512));
        std::vector<unsigned char> x(length), y;
        Fill(x.data(), x.size(), trial + 2000);
        y = x;
        SectorCounter cx = {{trial * 3, 0, 0, 0}}, cy = cx;
        SectorEncryptCt(x.data(), length, &cx, &context);
        SectorEncryptNi(y.data(), length, &cy, &context);
        ASSERT_EQ(ToHex(x), ToHex(y)) << length;
        ASSERT_EQ(cx.words[0], cy.words[0]);
        SectorDecryptCt(x.data(), length, &cx, &context);
        SectorDecryptNi(y.data(), length, &cy, &context);
        ASSERT_EQ(ToHex(x), ToHex(y)) << length;
    }
}

// Long bulk reads with every key size, counters that carry across words, and
// a partial last sector: each VAES decryption gives the constant-time bytes and
// leaves the counter where the other paths leave it.
class VaesPathTest : public testing::TestWithParam<AesPath> {};

TEST_P(VaesPathTest, AgreesWithConstantTimeOnLongRuns) {
    const AesPath vaes = GetParam();
    ASSERT_TRUE(vaes.needs == AesPath::kVaes || vaes.needs == AesPath::kVaes512) << vaes.name;
    SKIP_WITHOUT_PATH(vaes);
    for (unsigned trial = 0; trial < 12; ++trial) {
        unsigned char key[32];
        Fill(key, sizeof key, trial + 3000);
        int keyLength = trial % 3 == 0 ? 16 : trial % 3 == 1 ? 24 : 32;
        AesContext context;
        memset(&context, 0, sizeof context);
        ASSERT_EQ(kAesKeyOk, AesSetKey(key, keyLength, 0, &context));

        size_t length = 512 * (1 + (trial * 37) % 300) + (trial % 4 == 3 ? 16 * (1 + trial % 31) : 0);
        std::vector<unsigned char> x(length + 7), y;
        Fill(x.data(), x.size(), trial + 4000);
        y = x;
        SectorCounter cx = {{0xFFFFFFFFu - trial * 5, trial % 2 ? 0xFFFFFFFFu : 3u, trial % 3 ? 0xFFFFFFFFu : 0u, 9}};
        SectorCounter cy = cx;
        SectorDecryptCt(x.data(), length, &cx, &context);
        vaes.sectorDecrypt(y.data(), length, &cy, &context);
        ASSERT_EQ(ToHex(x), ToHex(y)) << length;  // the 7 bytes past the end included
        ASSERT_EQ(0, memcmp(cx.words, cy.words, sizeof cx.words)) << length;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, VaesPathTest, testing::Values(kAesPaths[2], kAesPaths[3]), AesPathName);

}  // namespace
