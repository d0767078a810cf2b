#include "crypto/digest_text.h"

void RenderDigestText(const unsigned char *digest, int digestLength, char *text) {
    char *out = text;
    for (int i = 0; i < digestLength; ++i) {
        unsigned value = digest[i];
        if (value >= 100) *out++ = char('0' + value / 100);
        if (value >= 10) *out++ = char('0' + value / 10 % 10);
        *out++ = char('0' + value % 10);
    }
    *out = '\0';
}
