#include "crypto/core/digest_text.h"
#include "crypto/core/md5.h"

void RenderDigestText(const unsigned char *digest, size_t digestLength, char *text) {
    char *out = text;
    for (size_t i = 0; i < digestLength; ++i) {
        unsigned value = digest[i];
        if (value >= 100) *out++ = char('0' + value / 100);
        if (value >= 10) *out++ = char('0' + value / 10 % 10);
        *out++ = char('0' + value % 10);
    }
    *out = '\0';
}

int DigestTextOfSector(const unsigned char *sector512, char *text) {
    if (sector512 == nullptr || text == nullptr) return 0;
    Md5State md5;
    Md5Init(&md5);
    Md5Update(&md5, sector512, 512);
    unsigned char digest[16];
    Md5Final(digest, &md5);
    RenderDigestText(digest, 16, text);
    return 1;
}
