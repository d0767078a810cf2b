#include "mount/core/open_request.h"

#include <string.h>

namespace {

const char kNetworkPrefix[] = "\\??\\UNC";
const char kLocalPrefix[] = "\\??\\";

bool IsNetworkPath(const char *path) { return path[0] == '\\' && path[1] == '\\'; }
bool IsRootedPath(const char *path) { return path[0] == '\\' && path[1] != '\\'; }

}  // namespace

size_t ContainerNameLength(const char *containerPath) {
    size_t length = strlen(containerPath);
    if (IsNetworkPath(containerPath)) return sizeof kNetworkPrefix - 1 + length - 1;
    if (IsRootedPath(containerPath)) return length;
    return sizeof kLocalPrefix - 1 + length;
}

size_t ContainerName(const char *containerPath, char *out, size_t outSize) {
    size_t length = ContainerNameLength(containerPath);
    if (outSize < length + 1) return 0;
    const char *prefix = "";
    const char *rest = containerPath;
    if (IsNetworkPath(containerPath)) {
        prefix = kNetworkPrefix;
        rest = containerPath + 1;
    } else if (!IsRootedPath(containerPath)) {
        prefix = kLocalPrefix;
    }
    size_t prefixLength = strlen(prefix);
    memcpy(out, prefix, prefixLength);
    memcpy(out + prefixLength, rest, strlen(rest) + 1);
    return length;
}

size_t OpenRequestAllocationSize(const char *containerPath) {
    return KOVDEV_REQ_HEAD_SIZE + strlen(containerPath) + KOVDEV_REQ_SPARE_BYTES;
}

int OpenRequestAddKey(unsigned char *keyArea, const unsigned char *key, size_t keyLength) {
    if (keyLength != KOVDEV_AES256_KEY_LENGTH) return 0;
    uint16_t count = LoadLe16(keyArea + KOVDEV_REQ_KEY_COUNT_OFFSET);
    if (count >= KOVDEV_REQ_KEY_SLOTS) return 0;
    StoreLe16(keyArea + KOVDEV_REQ_ALGORITHM_OFFSET, KOVDEV_ALGORITHM_AES256);
    StoreLe16(keyArea + KOVDEV_REQ_KEY_LENGTH_OFFSET, KOVDEV_AES256_KEY_LENGTH);
    memcpy(keyArea + KOVDEV_REQ_KEYS_OFFSET + KOVDEV_REQ_KEY_SLOT_SIZE * count, key, keyLength);
    StoreLe16(keyArea + KOVDEV_REQ_KEY_COUNT_OFFSET, uint16_t(count + 1));
    return 1;
}

size_t FillOpenRequest(unsigned char *request, size_t requestSize, const unsigned char *keyArea,
                       const char *containerPath, char driveLetter, uint32_t sizeMb) {
    size_t nameLength = ContainerNameLength(containerPath);
    size_t sent = KOVDEV_REQ_SENT_BASE + nameLength;
    // The driver reads the sent length; the name's terminator lies inside it.
    if (nameLength > 0xFFFF || requestSize < sent || requestSize < KOVDEV_REQ_HEAD_SIZE) return 0;

    memset(request, 0, requestSize);
    memcpy(request, keyArea, KOVDEV_REQ_HEAD_SIZE);
    StoreLe16(request + KOVDEV_REQ_FIXED_OFFSET, 1);
    if (driveLetter >= 'a' && driveLetter <= 'z') driveLetter = char(driveLetter - 'a' + 'A');
    request[KOVDEV_REQ_LETTER_OFFSET] = (unsigned char)driveLetter;
    ContainerName(containerPath, (char *)request + KOVDEV_REQ_NAME_OFFSET, requestSize - KOVDEV_REQ_NAME_OFFSET);
    StoreLe16(request + KOVDEV_REQ_NAME_LENGTH_OFFSET, uint16_t(nameLength));
    StoreLe64(request + KOVDEV_REQ_SIZE_OFFSET, uint64_t(sizeMb) * 1048576u);
    return sent;
}

// The record's fields must tile exactly as the driver reads them.
static_assert(KOVDEV_REQ_KEYS_OFFSET + KOVDEV_REQ_KEY_SLOTS * KOVDEV_REQ_KEY_SLOT_SIZE == KOVDEV_REQ_LETTER_OFFSET,
              "key slots end at the drive letter");
static_assert(KOVDEV_REQ_LETTER_OFFSET + 1 == KOVDEV_REQ_NAME_OFFSET, "name follows the letter");
static_assert(KOVDEV_MOUNTED_LETTER_OFFSET < KOVDEV_MOUNTED_SIZE, "mounted letter inside its record");
