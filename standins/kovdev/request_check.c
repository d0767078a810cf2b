#include "request_check.h"

#include "mount/core/driver_protocol.h"

int KovdevCheckOpenRequest(const unsigned char *in, size_t inLength) {
    uint16_t keys, nameLength, i;
    uint64_t bytes;
    unsigned char letter;
    const unsigned char *name;

    if (in == NULL || inLength < KOVDEV_REQ_SENT_BASE) return -1;
    if (LoadLe16(in + KOVDEV_REQ_FIXED_OFFSET) != 1) return -1;
    if (LoadLe16(in + KOVDEV_REQ_ALGORITHM_OFFSET) != KOVDEV_ALGORITHM_AES256) return -1;
    keys = LoadLe16(in + KOVDEV_REQ_KEY_COUNT_OFFSET);
    if (keys < 1 || keys > KOVDEV_REQ_KEY_SLOTS) return -1;
    if (LoadLe16(in + KOVDEV_REQ_KEY_LENGTH_OFFSET) != KOVDEV_AES256_KEY_LENGTH) return -1;
    bytes = LoadLe64(in + KOVDEV_REQ_SIZE_OFFSET);
    if (bytes == 0 || bytes % KOVDEV_SECTOR_SIZE != 0) return -1;
    /* The kernel takes file sizes and offsets as signed 64-bit numbers. */
    if (bytes > KOVDEV_MAX_VOLUME_BYTES) return -1;
    letter = in[KOVDEV_REQ_LETTER_OFFSET];
    if (letter < 'A' || letter > 'Z') return -1;
    nameLength = LoadLe16(in + KOVDEV_REQ_NAME_LENGTH_OFFSET);
    if (nameLength == 0 || nameLength > KOVDEV_MAX_NAME_LENGTH) return -1;
    /* The name and its terminator must lie inside what was sent. */
    if ((size_t)KOVDEV_REQ_SENT_BASE + nameLength > inLength) return -1;
    name = in + KOVDEV_REQ_NAME_OFFSET;
    for (i = 0; i < nameLength; ++i)
        if (name[i] == 0) return -1;
    if (name[nameLength] != 0) return -1;
    return nameLength;
}
