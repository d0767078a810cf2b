// The token key value as read from the token: any length against any
// expected length. The value is copied into a buffer of exactly its length so
// that a read past it is seen.
#include <stdlib.h>
#include <string.h>

#include "fuzz_input.h"
#include "token/core/token_key_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const size_t expected = in.ConsumeBool() ? size_t(kTokenKeySize) : in.ConsumeIntegralInRange<size_t>(0, 1200);
    std::vector<unsigned char> bytes = in.ConsumeRemainingBytes<unsigned char>();
    unsigned char *value = static_cast<unsigned char *>(malloc(bytes.size() ? bytes.size() : 1));
    if (!bytes.empty()) memcpy(value, bytes.data(), bytes.size());

    TokenOutcome outcome = CheckTokenKeyValue(value, bytes.size(), expected);
    if (outcome == kTokenOk) {
        // Accepted only at the expected length, announced by its first three digits.
        if (bytes.size() != expected || expected < 3) abort();
        size_t announced = size_t(value[0] - '0') * 100 + size_t(value[1] - '0') * 10 + size_t(value[2] - '0');
        if (announced != expected) abort();
    } else if (outcome != kTokenKeyNotOk && outcome != kTokenNotKovaraKey) {
        abort();
    }
    free(value);
    return 0;
}
