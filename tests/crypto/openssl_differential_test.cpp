// Differential tests: the core against OpenSSL's libcrypto on random inputs.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <gtest/gtest.h>
#include <openssl/blowfish.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <string.h>

#include <random>
#include <vector>

#include "aes_paths.h"
#include "test_bytes.h"
#include "crypto/core/blowfish.h"
#include "crypto/core/derive_key.h"
#include "crypto/core/md5.h"
#include "crypto/core/sha512.h"

namespace {

std::vector<unsigned char> RandomBytes(std::mt19937 &rng, size_t length) {
    std::vector<unsigned char> bytes(length);
    for (auto &b : bytes) b = (unsigned char)rng();
    return bytes;
}

// AES-256-CBC over each 512-byte sector with the sector counter as IV.
std::vector<unsigned char> OpenSslSectors(const std::vector<unsigned char> &key, std::vector<unsigned char> data,
                                          SectorCounter counter, bool encrypt) {
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    for (size_t at = 0; at < data.size(); at += 512) {
        unsigned char iv[16];
        memcpy(iv, counter.words, 16);  // little-endian host
        for (int w = 0; w < 4 && ++counter.words[w] == 0; ++w) {
        }
        int length = int(std::min<size_t>(512, data.size() - at)) / 16 * 16, outLength = 0;
        EXPECT_EQ(1, EVP_CipherInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key.data(), iv, encrypt ? 1 : 0));
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        EXPECT_EQ(1, EVP_CipherUpdate(ctx, &data[at], &outLength, &data[at], length));
        EXPECT_EQ(length, outLength);
    }
    EVP_CIPHER_CTX_free(ctx);
    return data;
}

class OpenSslAesTest : public testing::TestWithParam<AesPath> {};

TEST_P(OpenSslAesTest, SectorsMatchAes256CbcPerSectorWithTheCounterAsIv) {
    const AesPath &path = GetParam();
    SKIP_WITHOUT_PATH(path);
    std::mt19937 rng(1);
    for (int trial = 0; trial < 60; ++trial) {
        std::vector<unsigned char> key = RandomBytes(rng, 32);
        AesContext context;
        memset(&context, 0, sizeof context);
        ASSERT_EQ(kAesKeyOk, AesSetKey(key.data(), 32, 0, &context));
        size_t length = 512 * (1 + rng() % 20) - (trial % 4 == 0 ? 16 * (1 + rng() % 31) : 0);
        std::vector<unsigned char> plain = RandomBytes(rng, length);
        SectorCounter start = {{uint32_t(rng()), trial % 3 ? 0u : 0xFFFFFFFFu, 0, trial % 5 ? 0u : uint32_t(rng())}};

        std::vector<unsigned char> ours = plain;
        SectorCounter counter = start;
        path.sectorEncrypt(ours.data(), int(length), &counter, &context);
        std::vector<unsigned char> theirs = OpenSslSectors(key, plain, start, true);
        ASSERT_EQ(ToHex(theirs), ToHex(ours)) << "trial " << trial;

        counter = start;
        path.sectorDecrypt(ours.data(), int(length), &counter, &context);
        ASSERT_EQ(ToHex(plain), ToHex(ours)) << "trial " << trial;
        // Decrypting foreign ciphertext too, not only our own.
        std::vector<unsigned char> foreign = RandomBytes(rng, length);
        std::vector<unsigned char> decrypted = foreign;
        counter = start;
        path.sectorDecrypt(decrypted.data(), int(length), &counter, &context);
        ASSERT_EQ(ToHex(OpenSslSectors(key, foreign, start, false)), ToHex(decrypted)) << "trial " << trial;
    }
}

TEST_P(OpenSslAesTest, BlocksMatchAesEcbForEveryKeySize) {
    const AesPath &path = GetParam();
    SKIP_WITHOUT_PATH(path);
    std::mt19937 rng(2);
    const EVP_CIPHER *ciphers[] = {EVP_aes_128_ecb(), EVP_aes_192_ecb(), EVP_aes_256_ecb()};
    for (int trial = 0; trial < 90; ++trial) {
        int keyLength = 16 + 8 * (trial % 3);
        std::vector<unsigned char> key = RandomBytes(rng, keyLength), block = RandomBytes(rng, 16);
        AesContext context;
        memset(&context, 0, sizeof context);
        ASSERT_EQ(kAesKeyOk, AesSetKey(key.data(), keyLength, 0, &context));
        for (int encrypt = 0; encrypt < 2; ++encrypt) {
            unsigned char ours[16], theirs[32];
            (encrypt ? path.encryptBlock : path.decryptBlock)(block.data(), ours, &context);
            EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
            int outLength = 0;
            EVP_CipherInit_ex(ctx, ciphers[trial % 3], nullptr, key.data(), nullptr, encrypt);
            EVP_CIPHER_CTX_set_padding(ctx, 0);
            EVP_CipherUpdate(ctx, theirs, &outLength, block.data(), 16);
            EVP_CIPHER_CTX_free(ctx);
            ASSERT_EQ(ToHex(theirs, 16), ToHex(ours, 16)) << keyLength << (encrypt ? " encrypt" : " decrypt");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, OpenSslAesTest, testing::ValuesIn(kAesPaths), AesPathName);

void ReverseHalves(unsigned char *block) {
    for (int half = 0; half < 8; half += 4) {
        std::swap(block[half], block[half + 3]);
        std::swap(block[half + 1], block[half + 2]);
    }
}

TEST(OpenSslBlowfish, CodebookMatchesBfEcbWithTheHalvesReversed) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 60; ++trial) {
        int keyLength = trial < 10 ? 32 : 1 + int(rng() % 80);
        std::vector<unsigned char> key = RandomBytes(rng, keyLength), data = RandomBytes(rng, 576);
        BlowfishContext context;
        BlowfishSetKey(&context, keyLength, key.data());
        BF_KEY bf;
        BF_set_key(&bf, keyLength > 72 ? 72 : keyLength, key.data());
        for (size_t at = 0; at < data.size(); at += 8) {
            unsigned char ours[8], theirs[8];
            memcpy(ours, &data[at], 8);
            memcpy(theirs, &data[at], 8);
            BlowfishEncryptBlock(ours, &context);
            ReverseHalves(theirs);
            BF_ecb_encrypt(theirs, theirs, &bf, BF_ENCRYPT);
            ReverseHalves(theirs);
            ASSERT_EQ(ToHex(theirs, 8), ToHex(ours, 8)) << "key length " << keyLength;

            BlowfishDecryptBlock(ours, &context);
            ASSERT_EQ(ToHex(&data[at], 8), ToHex(ours, 8));
        }
        // The whole-buffer form against OpenSSL block by block.
        std::vector<unsigned char> ours = data, theirs = data;
        BlowfishEncryptBuffer(ours.data(), int(ours.size()), &context);
        for (size_t at = 0; at < theirs.size(); at += 8) {
            ReverseHalves(&theirs[at]);
            BF_ecb_encrypt(&theirs[at], &theirs[at], &bf, BF_ENCRYPT);
            ReverseHalves(&theirs[at]);
        }
        ASSERT_EQ(ToHex(theirs), ToHex(ours));
        BlowfishDecryptBuffer(ours.data(), int(ours.size()), &context);
        ASSERT_EQ(ToHex(data), ToHex(ours));
    }
}

std::string OpenSslDigest(const EVP_MD *md, const std::vector<unsigned char> &data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, md, nullptr);
    return ToHex(digest, length);
}

TEST(OpenSslHashes, Md5HmacMd5AndSha512AgreeOnRandomInputs) {
    std::mt19937 rng(4);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<unsigned char> data = RandomBytes(rng, rng() % 700), key = RandomBytes(rng, rng() % 150);

        Md5State md5;
        Md5Init(&md5);
        size_t split = data.empty() ? 0 : rng() % data.size();
        Md5Update(&md5, data.data(), unsigned(split));
        Md5Update(&md5, data.data() + split, unsigned(data.size() - split));
        unsigned char digest[64];
        Md5Final(digest, &md5);
        ASSERT_EQ(OpenSslDigest(EVP_md5(), data), ToHex(digest, 16));

        unsigned char theirs[EVP_MAX_MD_SIZE];
        unsigned macLength = 0;
        HMAC(EVP_md5(), key.data(), int(key.size()), data.data(), data.size(), theirs, &macLength);
        HmacMd5(data.data(), int(data.size()), key.data(), int(key.size()), digest);
        ASSERT_EQ(ToHex(theirs, macLength), ToHex(digest, 16)) << key.size() << " " << data.size();

        Sha512State sha;
        Sha512Init(&sha);
        Sha512Update(&sha, data.data(), unsigned(split));
        Sha512Update(&sha, data.data() + split, unsigned(data.size() - split));
        Sha512Final(digest, &sha);
        ASSERT_EQ(OpenSslDigest(EVP_sha512(), data), ToHex(digest, 64));
    }
}

// Written against OpenSSL's HMAC with the roles this system uses: the password
// is the message, salt-and-index and then the previous value are the key.
std::vector<unsigned char> OpenSslDeriveKey(const std::vector<unsigned char> &password,
                                            const std::vector<unsigned char> &salt, int iterations, int outLength) {
    std::vector<unsigned char> out;
    for (int index = 1; out.size() < size_t(outLength); ++index) {
        std::vector<unsigned char> key(salt);
        const unsigned char indexBytes[4] = {0, 0, 0, (unsigned char)index};
        key.insert(key.end(), indexBytes, indexBytes + 4);
        unsigned char u[EVP_MAX_MD_SIZE], t[16];
        unsigned length = 0;
        HMAC(EVP_md5(), key.data(), int(key.size()), password.data(), password.size(), u, &length);
        memcpy(t, u, 16);
        for (int n = 1; n < iterations; ++n) {
            unsigned char previous[16];
            memcpy(previous, u, 16);
            HMAC(EVP_md5(), previous, 16, password.data(), password.size(), u, &length);
            for (int b = 0; b < 16; ++b) t[b] ^= u[b];
        }
        out.insert(out.end(), t, t + 16);
    }
    out.resize(outLength);
    return out;
}

TEST(OpenSslDeriveKey, MatchesAnHmacReferenceWithSwappedRoles) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 40; ++trial) {
        std::vector<unsigned char> password = RandomBytes(rng, rng() % 100);
        std::vector<unsigned char> salt = RandomBytes(rng, trial % 8 ? size_t(kSaltLength) : rng() % 150);
        int iterations = 1 + int(rng() % 40), outLength = 1 + int(rng() % 256);
        std::vector<unsigned char> ours(outLength);
        DeriveKey(password.data(), int(password.size()), salt.data(), int(salt.size()), iterations, ours.data(),
                  outLength);
        ASSERT_EQ(ToHex(OpenSslDeriveKey(password, salt, iterations, outLength)), ToHex(ours))
            << password.size() << " " << salt.size() << " " << iterations << " " << outLength;
    }

    // The system's parameters, and proof that textbook PBKDF2 is something else.
    const std::vector<unsigned char> password = Bytes("Kovara12"), salt = RandomBytes(rng, kSaltLength);
    std::vector<unsigned char> ours(kDerivedKeyLength), textbook(kDerivedKeyLength);
    DeriveKey(password.data(), 8, salt.data(), kSaltLength, kDeriveIterations, ours.data(), kDerivedKeyLength);
    EXPECT_EQ(ToHex(OpenSslDeriveKey(password, salt, kDeriveIterations, kDerivedKeyLength)), ToHex(ours));
    PKCS5_PBKDF2_HMAC((const char *)password.data(), 8, salt.data(), kSaltLength, kDeriveIterations, EVP_md5(),
                      kDerivedKeyLength, textbook.data());
    EXPECT_NE(ToHex(textbook), ToHex(ours));
}

TEST(OpenSslSha512Truncated, VaultKeyIsTheDigestPrefix) {
    std::mt19937 rng(6);
    std::vector<unsigned char> keyBlock = RandomBytes(rng, 256);
    unsigned char vaultKey[kVaultKeyLength];
    Sha512Truncated(keyBlock.data(), 256, vaultKey, kVaultKeyLength);
    EXPECT_EQ(OpenSslDigest(EVP_sha512(), keyBlock).substr(0, 64), ToHex(vaultKey, kVaultKeyLength));
}

}  // namespace
