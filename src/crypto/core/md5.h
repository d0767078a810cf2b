// MD5 (RFC 1321) and HMAC-MD5 (RFC 2104).
#pragma once
#include <stddef.h>
#include <stdint.h>

struct Md5State {
    uint32_t state[4];
    uint64_t bitCount;
    unsigned char buffer[64];
};

void Md5Init(Md5State *state);
void Md5Update(Md5State *state, const unsigned char *data, size_t length);
void Md5Final(unsigned char *digest16, Md5State *state);

void HmacMd5(const unsigned char *message, size_t messageLength, const unsigned char *key, size_t keyLength,
             unsigned char *mac16);
