#include <gtest/gtest.h>
#include <string.h>

#include "crypto/core/blowfish.h"
#include "test_bytes.h"

namespace {

// Textbook Blowfish reads each half most significant byte first; this system
// reads them little-endian, so the textbook vectors apply with each half reversed.
void ReverseHalves(unsigned char *block) {
    unsigned char copy[8];
    memcpy(copy, block, 8);
    for (int i = 0; i < 4; ++i) {
        block[i] = copy[3 - i];
        block[4 + i] = copy[7 - i];
    }
}

std::string TextbookEncrypt(const std::string &keyHex, const std::string &plainHex) {
    std::vector<unsigned char> key = FromHex(keyHex), block = FromHex(plainHex);
    BlowfishContext context;
    BlowfishSetKey(&context, int(key.size()), key.data());
    ReverseHalves(block.data());
    BlowfishEncryptBlock(block.data(), &context);
    ReverseHalves(block.data());
    return ToHex(block);
}

TEST(Blowfish, MatchesSchneiersVectorsWithTheHalvesReversed) {
    EXPECT_EQ("4ef997456198dd78", TextbookEncrypt("0000000000000000", "0000000000000000"));
    EXPECT_EQ("51866fd5b85ecb8a", TextbookEncrypt("ffffffffffffffff", "ffffffffffffffff"));
    EXPECT_EQ("7d856f9a613063f2", TextbookEncrypt("3000000000000000", "1000000000000001"));
    EXPECT_EQ("2466dd878b963c9d", TextbookEncrypt("1111111111111111", "1111111111111111"));
    EXPECT_EQ("61f9c3802281b096", TextbookEncrypt("0123456789abcdef", "1111111111111111"));
    EXPECT_EQ("0aceab0fc6a0a28d", TextbookEncrypt("fedcba9876543210", "0123456789abcdef"));
    // Variable key lengths from the same set.
    EXPECT_EQ("f9ad597c49db005e", TextbookEncrypt("f0", "fedcba9876543210"));
    EXPECT_EQ("e91d21c1d961a6d6", TextbookEncrypt("f0e1", "fedcba9876543210"));
    EXPECT_EQ("e9c2b70a1bc65cf3", TextbookEncrypt("f0e1d2", "fedcba9876543210"));
}

TEST(Blowfish, BlockByteOrderIsLittleEndianPerHalf) {
    // 00 01 .. 07 here is the textbook cipher's 03 02 01 00 07 06 05 04.
    const std::vector<unsigned char> key = FromHex("0123456789abcdef0123456789abcdeffedcba9876543210fedcba9876543210");
    BlowfishContext context;
    BlowfishSetKey(&context, 32, key.data());
    unsigned char ours[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    BlowfishEncryptBlock(ours, &context);

    unsigned char textbook[8] = {3, 2, 1, 0, 7, 6, 5, 4};
    ReverseHalves(textbook);  // back to 00 01 .. 07 as this system reads it
    BlowfishEncryptBlock(textbook, &context);
    EXPECT_EQ(ToHex(ours, 8), ToHex(textbook, 8));
    // And the two byte orders really differ for this block.
    unsigned char plainOrder[8] = {3, 2, 1, 0, 7, 6, 5, 4};
    BlowfishEncryptBlock(plainOrder, &context);
    EXPECT_NE(ToHex(ours, 8), ToHex(plainOrder, 8));
}

TEST(Blowfish, KeysBeyond72BytesAreCut) {
    unsigned char key[80];
    Fill(key, sizeof key, 80);
    BlowfishContext full, cut, shorter;
    BlowfishSetKey(&full, 80, key);
    BlowfishSetKey(&cut, 72, key);
    BlowfishSetKey(&shorter, 71, key);
    EXPECT_EQ(0, memcmp(&full, &cut, sizeof full));
    EXPECT_NE(0, memcmp(&full, &shorter, sizeof full));
}

TEST(Blowfish, DecryptInvertsEncryptOverACodebookBuffer) {
    unsigned char key[32];
    Fill(key, sizeof key, 32);
    BlowfishContext context;
    BlowfishSetKey(&context, 32, key);
    unsigned char plain[576], buffer[576];
    Fill(plain, sizeof plain, 576);
    memcpy(buffer, plain, sizeof buffer);
    for (int i = 0; i < 576; i += 8) BlowfishEncryptBlock(buffer + i, &context);
    EXPECT_NE(0, memcmp(buffer, plain, sizeof plain));
    // Codebook: equal plaintext blocks give equal ciphertext blocks.
    unsigned char a[8] = {9, 9, 9, 9, 9, 9, 9, 9}, b[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    BlowfishEncryptBlock(a, &context);
    BlowfishEncryptBlock(b, &context);
    EXPECT_EQ(0, memcmp(a, b, 8));
    for (int i = 0; i < 576; i += 8) BlowfishDecryptBlock(buffer + i, &context);
    EXPECT_EQ(0, memcmp(buffer, plain, sizeof plain));
}

TEST(Blowfish, BufferFunctionsAreTheBlockOperationOnEachWholeBlock) {
    unsigned char key[32];
    Fill(key, sizeof key, 33);
    BlowfishContext context;
    BlowfishSetKey(&context, 32, key);
    // The record sizes, and lengths that leave 1-3 blocks after groups of four and a ragged tail.
    for (int length : {576, 256, 104, 8, 16, 24, 40, 43, 7, 0}) {
        unsigned char plain[600], buffer[600], expected[600];
        Fill(plain, sizeof plain, unsigned(length));
        memcpy(buffer, plain, sizeof plain);
        memcpy(expected, plain, sizeof plain);
        for (int at = 0; at + 8 <= length; at += 8) BlowfishEncryptBlock(expected + at, &context);
        BlowfishEncryptBuffer(buffer, length, &context);
        EXPECT_EQ(ToHex(expected, sizeof expected), ToHex(buffer, sizeof buffer)) << length;
        BlowfishDecryptBuffer(buffer, length, &context);
        EXPECT_EQ(ToHex(plain, sizeof plain), ToHex(buffer, sizeof buffer)) << length;
    }
}

}  // namespace
