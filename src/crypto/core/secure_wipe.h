/* The one wipe of the system: overwrites secrets (passwords, keys, key blocks,
   records, cipher and hash states) with zero bytes in a way the optimiser
   cannot drop, even when the buffer is never read again. C linkage, so that the
   stand-in driver links the same function. */
#pragma once
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void SecureWipe(void *buffer, size_t length);

#ifdef __cplusplus
}
#endif
