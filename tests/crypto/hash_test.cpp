#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "crypto/core/digest_text.h"
#include "crypto/core/md5.h"
#include "crypto/core/sha1.h"
#include "crypto/core/sha512.h"
#include "test_bytes.h"

namespace {

std::string Md5Hex(const std::vector<unsigned char> &data) {
    Md5State state;
    Md5Init(&state);
    Md5Update(&state, data.data(), unsigned(data.size()));
    unsigned char digest[16];
    Md5Final(digest, &state);
    return ToHex(digest, 16);
}

std::string Sha512Hex(const std::vector<unsigned char> &data) {
    Sha512State state;
    Sha512Init(&state);
    Sha512Update(&state, data.data(), unsigned(data.size()));
    unsigned char digest[64];
    Sha512Final(digest, &state);
    return ToHex(digest, 64);
}

TEST(Md5, ReproducesTheRfc1321Suite) {
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Md5Hex(Bytes("")));
    EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", Md5Hex(Bytes("a")));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Md5Hex(Bytes("abc")));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", Md5Hex(Bytes("message digest")));
    EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", Md5Hex(Bytes("abcdefghijklmnopqrstuvwxyz")));
    EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
              Md5Hex(Bytes("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
              Md5Hex(Bytes("12345678901234567890123456789012345678901234567890123456789012345678901234567890")));
}

TEST(Md5, PiecewiseUpdatesEqualOneUpdateAcrossBlockAndPaddingEdges) {
    for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
        std::vector<unsigned char> data(length);
        Fill(data.data(), length, unsigned(length));
        Md5State state;
        Md5Init(&state);
        for (size_t at = 0, step = 1; at < length; at += step, step = step * 2 + 1)
            Md5Update(&state, &data[at], unsigned(std::min(step, length - at)));
        unsigned char digest[16];
        Md5Final(digest, &state);
        EXPECT_EQ(Md5Hex(data), ToHex(digest, 16)) << length;
    }
}

TEST(HmacMd5, ReproducesRfc2202) {
    struct Case {
        std::vector<unsigned char> key, data;
        const char *mac;
    } cases[] = {
        {std::vector<unsigned char>(16, 0x0B), Bytes("Hi There"), "9294727a3638bb1c13f48ef8158bfc9d"},
        {Bytes("Jefe"), Bytes("what do ya want for nothing?"), "750c783e6ab0b503eaa86e310a5db738"},
        {std::vector<unsigned char>(16, 0xAA), std::vector<unsigned char>(50, 0xDD),
         "56be34521d144c88dbb8c733f0e8b3f6"},
        {FromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), std::vector<unsigned char>(50, 0xCD),
         "697eaf0aca3a3aea3a75164746ffaa79"},
        {std::vector<unsigned char>(16, 0x0C), Bytes("Test With Truncation"), "56461ef2342edc00f9bab995690efd4c"},
        {std::vector<unsigned char>(80, 0xAA), Bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
         "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd"},
        {std::vector<unsigned char>(80, 0xAA),
         Bytes("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
         "6f630fad67cda0ee1fb1f562db3aa53e"},
    };
    for (const Case &c : cases) {
        unsigned char mac[16];
        HmacMd5(c.data.data(), int(c.data.size()), c.key.data(), int(c.key.size()), mac);
        EXPECT_EQ(c.mac, ToHex(mac, 16));
    }
}

TEST(Sha512, ReproducesFips180Examples) {
    EXPECT_EQ(
        "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
        "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e",
        Sha512Hex(Bytes("")));
    EXPECT_EQ(
        "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
        "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f",
        Sha512Hex(Bytes("abc")));
    EXPECT_EQ(
        "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
        "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909",
        Sha512Hex(Bytes("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
                        "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu")));

    Sha512State state;
    Sha512Init(&state);
    std::vector<unsigned char> chunk(1000, 'a');
    for (int i = 0; i < 1000; ++i) Sha512Update(&state, chunk.data(), 1000);
    unsigned char digest[64];
    Sha512Final(digest, &state);
    EXPECT_EQ(
        "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973eb"
        "de0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b",
        ToHex(digest, 64));
}

TEST(Sha512Truncated, WritesTheDigestPrefixAndZeroFillsTheRest) {
    unsigned char keyBlock[256];
    Fill(keyBlock, sizeof keyBlock, 256);
    const std::string full = Sha512Hex(std::vector<unsigned char>(keyBlock, keyBlock + 256));

    unsigned char out[96];
    memset(out, 0xEE, sizeof out);
    Sha512Truncated(keyBlock, 256, out, 32);
    EXPECT_EQ(full.substr(0, 64), ToHex(out, 32));
    EXPECT_EQ(0xEE, out[32]);

    memset(out, 0xEE, sizeof out);
    Sha512Truncated(keyBlock, 256, out, 80);
    EXPECT_EQ(full, ToHex(out, 64));
    EXPECT_EQ(std::string(32, '0'), ToHex(out + 64, 16));
    EXPECT_EQ(0xEE, out[80]);

    memset(out, 0xEE, sizeof out);
    Sha512Truncated(keyBlock, 256, out, 0);
    EXPECT_EQ(std::string(192, 'e'), ToHex(out, 96));
}

// SHA-1 built from the compression function with the standard padding.
std::string Sha1Hex(const std::string &text) {
    uint32_t state[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::vector<unsigned char> message(text.begin(), text.end());
    uint64_t bits = uint64_t(message.size()) * 8;
    message.push_back(0x80);
    while (message.size() % 64 != 56) message.push_back(0);
    for (int i = 7; i >= 0; --i) message.push_back((unsigned char)(bits >> (8 * i)));
    for (size_t at = 0; at < message.size(); at += 64) Sha1Compress(state, &message[at]);
    char hex[41];
    for (int i = 0; i < 5; ++i) snprintf(hex + 8 * i, 9, "%08x", state[i]);
    return hex;
}

TEST(Sha1Compress, GivesFips180Sha1WhenPadded) {
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", Sha1Hex("abc"));
    EXPECT_EQ("84983e441c3bd26ebaae4aa1f95129e5e54670f1",
              Sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));
}

TEST(DigestTextOfSector, RendersTheMd5OfTheSectorInDecimal) {
    unsigned char sector[512] = {};
    char text[kDigestTextSize];
    memset(text, 'x', sizeof text);
    ASSERT_EQ(1, DigestTextOfSector(sector, text));
    // MD5 of 512 zero bytes is bf619eac0cdf3f68d496ea9344137e8b.
    EXPECT_STREQ("1919715817212223631042121502341476819126139", text);

    Fill(sector, sizeof sector, 512);
    unsigned char digest[16];
    Md5State state;
    Md5Init(&state);
    Md5Update(&state, sector, 512);
    Md5Final(digest, &state);
    char expected[kDigestTextSize];
    RenderDigestText(digest, 16, expected);
    ASSERT_EQ(1, DigestTextOfSector(sector, text));
    EXPECT_STREQ(expected, text);
}

TEST(DigestTextOfSector, FailsOnMissingBuffers) {
    unsigned char sector[512] = {};
    char text[kDigestTextSize];
    EXPECT_EQ(0, DigestTextOfSector(nullptr, text));
    EXPECT_EQ(0, DigestTextOfSector(sector, nullptr));
}

}  // namespace
