#include "crypto/core/md5.h"
#include "crypto/core/secure_wipe.h"

#include <string.h>

void HmacMd5(const unsigned char *message, size_t messageLength, const unsigned char *key, size_t keyLength,
             unsigned char *mac16) {
    unsigned char keyBlock[64];
    memset(keyBlock, 0, sizeof keyBlock);
    Md5State md5;
    if (keyLength > 64) {
        Md5Init(&md5);
        Md5Update(&md5, key, keyLength);
        Md5Final(keyBlock, &md5);
    } else if (keyLength > 0) {
        memcpy(keyBlock, key, keyLength);
    }

    unsigned char pad[64];
    for (int i = 0; i < 64; ++i) pad[i] = keyBlock[i] ^ 0x36;
    unsigned char inner[16];
    Md5Init(&md5);
    Md5Update(&md5, pad, 64);
    Md5Update(&md5, message, messageLength);
    Md5Final(inner, &md5);

    for (int i = 0; i < 64; ++i) pad[i] = keyBlock[i] ^ 0x5C;
    Md5Init(&md5);
    Md5Update(&md5, pad, 64);
    Md5Update(&md5, inner, 16);
    Md5Final(mac16, &md5);

    SecureWipe(keyBlock, sizeof keyBlock);
    SecureWipe(pad, sizeof pad);
    SecureWipe(inner, sizeof inner);
    SecureWipe(&md5, sizeof md5);
}
