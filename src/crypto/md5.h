// MD5 (RFC 1321) and HMAC-MD5 (RFC 2104).
#pragma once
#include <stdint.h>

struct Md5State {
    uint32_t state[4];
    uint64_t bitCount;
    unsigned char buffer[64];
};

void Md5Init(Md5State *state);
void Md5Update(Md5State *state, const unsigned char *data, unsigned int length);
void Md5Final(unsigned char *digest16, Md5State *state);

void HmacMd5(const unsigned char *message, int messageLength, const unsigned char *key, int keyLength,
             unsigned char *mac16);
