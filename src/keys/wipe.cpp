#include "keys/wipe.h"

void WipeBytes(void *buffer, size_t length) {
    volatile unsigned char *p = static_cast<volatile unsigned char *>(buffer);
    while (length--) *p++ = 0;
}
