// The open request as the vault manager builds it from a container path, a
// drive letter, a size and the keys, checked the way the driver receives it:
// exactly the bytes sent, in a buffer of that size. Every request the builder
// sends for a valid letter, size and name must pass the driver's check with
// the name's length, and every other one must be refused.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "fuzz_input.h"
#include "mount/core/open_request.h"
#include "request_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const char letter = in.ConsumeIntegral<char>();
    const uint32_t sizeMb = in.ConsumeBool() ? in.ConsumeIntegralInRange<uint32_t>(0, 64)
                                             : in.ConsumeIntegral<uint32_t>();
    const int keys = in.ConsumeIntegralInRange<int>(0, KOVDEV_REQ_KEY_SLOTS + 1);
    const int slack = in.ConsumeIntegralInRange<int>(-8, 8);
    const std::string path = in.ConsumeRandomLengthString(1200);

    std::vector<unsigned char> keyArea(KOVDEV_REQ_HEAD_SIZE, 0);
    for (int k = 0; k < keys; ++k) {
        std::vector<unsigned char> key = Take(in, KOVDEV_AES256_KEY_LENGTH);
        int added = OpenRequestAddKey(keyArea.data(), key.data(), key.size());
        if (added != (k < int(KOVDEV_REQ_KEY_SLOTS) ? 1 : 0)) abort();
    }

    // The allocation the vault manager makes for the path, give or take a few bytes.
    size_t allocation = OpenRequestAllocationSize(path.c_str());
    if (slack < 0 && size_t(-slack) > allocation) return 0;
    allocation += slack;
    std::vector<unsigned char> request(allocation);
    size_t sent = FillOpenRequest(request.data(), allocation, keyArea.data(), path.c_str(), letter, sizeMb);
    const size_t nameLength = ContainerNameLength(path.c_str());
    if (sent == 0) {
        // Refused only when the request does not fit what was allocated.
        if (slack >= 0 && nameLength <= 0xFFFF) abort();
        return 0;
    }
    if (sent != KOVDEV_REQ_SENT_BASE + nameLength || sent > allocation) abort();

    unsigned char *received = static_cast<unsigned char *>(malloc(sent));
    memcpy(received, request.data(), sent);
    const char upper = (letter >= 'a' && letter <= 'z') ? char(letter - 'a' + 'A') : letter;
    const bool valid = keys > 0 && upper >= 'A' && upper <= 'Z' && sizeMb > 0 && nameLength > 0 &&
                       nameLength <= KOVDEV_MAX_NAME_LENGTH;
    int checked = KovdevCheckOpenRequest(received, sent);
    if (valid ? checked != int(nameLength) : checked != -1) abort();
    free(received);
    return 0;
}
