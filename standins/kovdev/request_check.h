/* Checks an open request as the driver receives it. Portable C, shared by the
   driver and its native tests. */
#pragma once
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Largest volume: sizes go to the kernel as signed 64-bit numbers, so
   2^63 and above would turn negative. */
#define KOVDEV_MAX_VOLUME_BYTES (0x7FFFFFFFFFFFFFFFull - 511u)

/* Longest container name the driver accepts. */
#define KOVDEV_MAX_NAME_LENGTH 1024u

/* The name length when the request of inLength bytes is well formed: fixed
   field 1, AES-256 with 1 to 64 keys of 32 bytes, a size of whole sectors
   below 2^63, a
   drive letter A-Z, and a name without NUL whose terminator lies inside what
   was sent. -1 otherwise. */
int KovdevCheckOpenRequest(const unsigned char *in, size_t inLength);

#ifdef __cplusplus
}
#endif
