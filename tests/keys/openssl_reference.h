// Independent computations of the record formats with OpenSSL, for checking
// the records byte by byte.
#pragma once
#include <openssl/aes.h>
#include <openssl/blowfish.h>
#include <openssl/evp.h>
#include <openssl/md5.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace reference {

using Bytes = std::vector<unsigned char>;

// Textbook Blowfish reads halves big-endian; this system reads them
// little-endian, so each half is reversed around the cipher.
inline void ReverseHalves(unsigned char *block) {
    for (int h = 0; h < 8; h += 4) {
        std::swap(block[h], block[h + 3]);
        std::swap(block[h + 1], block[h + 2]);
    }
}

inline Bytes BlowfishCodebook(const unsigned char *key32, Bytes data, bool encrypt) {
    BF_KEY key;
    BF_set_key(&key, 32, key32);
    for (size_t i = 0; i + 8 <= data.size(); i += 8) {
        unsigned char block[8];
        memcpy(block, &data[i], 8);
        ReverseHalves(block);
        BF_ecb_encrypt(block, block, &key, encrypt ? BF_ENCRYPT : BF_DECRYPT);
        ReverseHalves(block);
        memcpy(&data[i], block, 8);
    }
    return data;
}

// One sector: AES-256-CBC with the 128-bit little-endian counter 0 as IV.
inline Bytes AesSector(const unsigned char *key32, Bytes data, bool encrypt) {
    unsigned char iv[16] = {0};
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key32, iv, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    Bytes out(data.size());
    int n = 0;
    EVP_CipherUpdate(ctx, out.data(), &n, data.data(), static_cast<int>(data.size()));
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

inline Bytes Sha512First32(const unsigned char *data, size_t length) {
    unsigned char digest[64];
    unsigned int n = 0;
    EVP_Digest(data, length, digest, &n, EVP_sha512(), nullptr);
    return Bytes(digest, digest + 32);
}

inline std::string DigestText(const Bytes &sector) {
    unsigned char digest[16];
    unsigned int n = 0;
    EVP_Digest(sector.data(), sector.size(), digest, &n, EVP_md5(), nullptr);
    std::string text;
    for (unsigned char b : digest) text += std::to_string(b);
    return text;
}

}  // namespace reference
