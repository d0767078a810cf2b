#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "crypto/core/derive_key.h"
#include "crypto/core/md5.h"
#include "test_bytes.h"

namespace {

// The derivation written out step by step over the public HMAC: the password
// is the HMAC message, salt-and-index and then the previous value are the key.
std::vector<unsigned char> Reference(const std::vector<unsigned char> &password, const std::vector<unsigned char> &salt,
                                     int iterations, int outLength) {
    std::vector<unsigned char> out;
    int blocks = (outLength + 15) / 16;
    for (int i = 1; i <= blocks; ++i) {
        std::vector<unsigned char> key(salt.size() + 4, 0);
        std::copy(salt.begin(), salt.end(), key.begin());
        key.back() = (unsigned char)i;
        unsigned char u[16], t[16];
        HmacMd5(password.data(), int(password.size()), key.data(), int(key.size()), u);
        memcpy(t, u, 16);
        for (int n = 1; n < iterations; ++n) {
            unsigned char next[16];
            HmacMd5(password.data(), int(password.size()), u, 16, next);
            memcpy(u, next, 16);
            for (int b = 0; b < 16; ++b) t[b] ^= u[b];
        }
        out.insert(out.end(), t, t + 16);
    }
    out.resize(outLength);
    return out;
}

std::vector<unsigned char> Derive(const std::vector<unsigned char> &password, const std::vector<unsigned char> &salt,
                                  int iterations, int outLength) {
    std::vector<unsigned char> out(outLength + 8, 0xEE);
    DeriveKey(password.data(), int(password.size()), salt.data(), int(salt.size()), iterations, out.data(), outLength);
    for (int i = outLength; i < outLength + 8; ++i) EXPECT_EQ(0xEE, out[i]) << "wrote past the output";
    out.resize(outLength);
    return out;
}

std::vector<unsigned char> Salt(unsigned seed, int length = kSaltLength) {
    std::vector<unsigned char> salt(length);
    Fill(salt.data(), salt.size(), seed);
    return salt;
}

TEST(DeriveKey, MatchesTheStepwiseDerivationWithTheSystemParameters) {
    const std::vector<unsigned char> password = Bytes("s3cret!!");
    const std::vector<unsigned char> salt = Salt(1);
    EXPECT_EQ(ToHex(Reference(password, salt, kDeriveIterations, kDerivedKeyLength)),
              ToHex(Derive(password, salt, kDeriveIterations, kDerivedKeyLength)));
}

TEST(DeriveKey, WithOneIterationEachBlockIsASingleHmacOfThePassword) {
    const std::vector<unsigned char> password = Bytes("pw");
    std::vector<unsigned char> key(kSaltLength + 4, 0);
    const std::vector<unsigned char> salt = Salt(2);
    std::copy(salt.begin(), salt.end(), key.begin());
    key.back() = 1;
    unsigned char u[16];
    HmacMd5(password.data(), int(password.size()), key.data(), int(key.size()), u);
    EXPECT_EQ(ToHex(u, 16), ToHex(Derive(password, Salt(2), 1, 16)));

    // The textbook role assignment (salt as message) gives something else.
    unsigned char textbook[16];
    HmacMd5(key.data(), int(key.size()), password.data(), int(password.size()), textbook);
    EXPECT_NE(ToHex(textbook, 16), ToHex(u, 16));
}

TEST(DeriveKey, ShortOutputsAreAPrefixEndingInAPartialBlock) {
    const std::vector<unsigned char> password = Bytes("answer");
    const std::vector<unsigned char> full = Derive(password, Salt(3), 50, 256);
    const std::vector<unsigned char> twenty = Derive(password, Salt(3), 50, 20);
    EXPECT_EQ(ToHex(full).substr(0, 40), ToHex(twenty));
    EXPECT_EQ(ToHex(Reference(password, Salt(3), 50, 20)), ToHex(twenty));
    // Blocks differ from one another.
    EXPECT_NE(ToHex(full.data(), 16), ToHex(full.data() + 16, 16));
}

TEST(DeriveKey, LongAndEmptyPasswordsAreWholeHmacMessages) {
    std::vector<unsigned char> longPassword(99, 'p');
    std::vector<unsigned char> changedLate = longPassword;
    changedLate[98] = 'q';
    std::vector<unsigned char> a = Derive(longPassword, Salt(4), 20, 64);
    EXPECT_EQ(ToHex(Reference(longPassword, Salt(4), 20, 64)), ToHex(a));
    EXPECT_NE(ToHex(a), ToHex(Derive(changedLate, Salt(4), 20, 64)));

    for (int length : {55, 56, 63, 64, 65, 128, 200}) {
        std::vector<unsigned char> password(length);
        Fill(password.data(), password.size(), unsigned(length));
        EXPECT_EQ(ToHex(Reference(password, Salt(5), 3, 48)), ToHex(Derive(password, Salt(5), 3, 48))) << length;
    }

    const std::vector<unsigned char> empty;
    EXPECT_EQ(ToHex(Reference(empty, Salt(6), 10, 32)), ToHex(Derive(empty, Salt(6), 10, 32)));
}

TEST(DeriveKey, SaltsUpTo60BytesAndLongerAreHmacKeys) {
    const std::vector<unsigned char> password = Bytes("password");
    for (int length : {0, 1, 20, 60, 61, 100}) {
        // Keys beyond one MD5 block are hashed first, as HMAC prescribes.
        EXPECT_EQ(ToHex(Reference(password, Salt(7, length), 5, 40)), ToHex(Derive(password, Salt(7, length), 5, 40)))
            << length;
    }
}

TEST(DeriveKey, NothingIsWrittenForAnEmptyOutput) {
    unsigned char out[4] = {1, 2, 3, 4};
    const std::vector<unsigned char> salt = Salt(8);
    DeriveKey((const unsigned char *)"x", 1, salt.data(), kSaltLength, 1000, out, 0);
    EXPECT_EQ(ToHex(FromHex("01020304")), ToHex(out, 4));
}

}  // namespace
