#include <gtest/gtest.h>
#include <string.h>
#include "crypto/core/digest_text.h"

TEST(DigestText, RendersEachByteInDecimalWithoutPadding) {
    const unsigned char digest[4] = {0x0A, 0x00, 0xFF, 0x07};
    char text[16];
    RenderDigestText(digest, 4, text);
    EXPECT_STREQ("1002557", text);
}
