// DeriveKey at odd lengths: passwords of any length (across the MD5 block
// and its padding boundaries), salts up to 60 bytes, outputs of any length.
// The output goes into a buffer of exactly that length, and a shorter output
// must be the start of a longer one, as each 16-byte block depends only on
// its index.
#include <stdlib.h>
#include <string.h>

#include "crypto/core/derive_key.h"
#include "fuzz_input.h"

namespace {

unsigned char *ExactCopy(const unsigned char *bytes, size_t length) {
    unsigned char *copy = static_cast<unsigned char *>(malloc(length ? length : 1));
    if (length) memcpy(copy, bytes, length);
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const unsigned iterations = in.ConsumeIntegralInRange<unsigned>(1, 3);
    const size_t outLength = in.ConsumeIntegralInRange<size_t>(0, 300);
    const size_t shorter = in.ConsumeIntegralInRange<size_t>(0, outLength);
    const size_t saltLength = in.ConsumeIntegralInRange<size_t>(0, 60);
    std::vector<unsigned char> salt = in.ConsumeBytes<unsigned char>(saltLength);
    std::vector<unsigned char> password = in.ConsumeRemainingBytes<unsigned char>();

    // Heap copies of exactly their length, so that any read past them is seen.
    unsigned char *passwordCopy = ExactCopy(password.data(), password.size());
    unsigned char *saltCopy = ExactCopy(salt.data(), salt.size());
    std::vector<unsigned char> zeros(outLength, 0);
    unsigned char *out = ExactCopy(zeros.data(), outLength);
    unsigned char *prefix = ExactCopy(zeros.data(), shorter);

    DeriveKey(passwordCopy, password.size(), saltCopy, salt.size(), iterations, out, outLength);
    DeriveKey(passwordCopy, password.size(), saltCopy, salt.size(), iterations, prefix, shorter);
    if (memcmp(out, prefix, shorter) != 0) abort();

    free(prefix);
    free(out);
    free(saltCopy);
    free(passwordCopy);
    return 0;
}
