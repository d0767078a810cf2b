#include "crypto/core/secure_wipe.h"

#include <string.h>

// The function lives in its own object file, so a caller whose buffer dies
// right after the call still pays for every byte. Inside, the fill is followed
// by an empty assembly statement that takes the buffer and clobbers memory:
// the compiler must assume it reads the zeros, so the fill cannot be dropped,
// even if this function is ever inlined. Other compilers get volatile stores.
extern "C" void SecureWipe(void *buffer, size_t length) {
    if (!buffer || !length) return;
#if defined(__GNUC__) || defined(__clang__)
    memset(buffer, 0, length);
    __asm__ __volatile__("" : : "r"(buffer) : "memory");
#else
    volatile unsigned char *p = static_cast<volatile unsigned char *>(buffer);
    while (length--) *p++ = 0;
#endif
}
