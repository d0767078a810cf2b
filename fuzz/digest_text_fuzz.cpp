// Digest text of any digest length up to MD5's 16 bytes, into a buffer of
// exactly the room it needs (three digits a byte and the terminator); and the
// digest text of a whole sector, which fits kDigestTextSize.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "crypto/core/digest_text.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        std::vector<unsigned char> sector = Take(in, 512);
        char text[kDigestTextSize];
        if (DigestTextOfSector(sector.data(), text) != 1 || strlen(text) < 16 || strlen(text) > 48) abort();
        return 0;
    }
    std::vector<unsigned char> digest = in.ConsumeBytes<unsigned char>(16);
    std::vector<char> text(3 * digest.size() + 1);
    RenderDigestText(digest.data(), digest.size(), text.data());
    std::string expected;
    for (unsigned char byte : digest) expected += std::to_string(byte);
    if (expected != text.data()) abort();
    return 0;
}
