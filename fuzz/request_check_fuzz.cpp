// The stand-in driver's check of an open request: any bytes of any length,
// in a buffer of exactly that length. An accepted request names a container
// whose terminator lies inside the bytes sent.
#include <stdlib.h>
#include <string.h>

#include "crypto/core/byte_order.h"
#include "mount/core/driver_protocol.h"
#include "request_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    unsigned char *request = static_cast<unsigned char *>(malloc(size ? size : 1));
    if (size) memcpy(request, data, size);
    int nameLength = KovdevCheckOpenRequest(size ? request : nullptr, size);
    if (nameLength >= 0) {
        if (nameLength == 0 || size_t(nameLength) > KOVDEV_MAX_NAME_LENGTH) abort();
        if (KOVDEV_REQ_NAME_OFFSET + size_t(nameLength) >= size) abort();
        if (strlen(reinterpret_cast<const char *>(request + KOVDEV_REQ_NAME_OFFSET)) != size_t(nameLength)) abort();
        uint16_t keys = LoadLe16(request + KOVDEV_REQ_KEY_COUNT_OFFSET);
        if (keys < 1 || keys > KOVDEV_REQ_KEY_SLOTS) abort();
    }
    free(request);
    return 0;
}
