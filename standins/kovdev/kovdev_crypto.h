/* C face of the crypto core for the driver: AES-256 with the sector chaining,
   the sector number as counter. */
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Room for the core's AES context; checked against it at compile time. */
typedef struct KovdevCipher {
    uint32_t words[132];
} KovdevCipher;

/* 1 when the 32-byte key was taken. */
int KovdevCipherSetKey(KovdevCipher *cipher, const unsigned char *key32);
/* In place over whole 512-byte sectors, the first one numbered firstSector.
   With vectorUnit 0 the constant-time path runs, which touches no vector or
   floating-point register; with 1 the AES instructions may be used, and the
   caller must have saved the floating-point state. */
void KovdevCipherEncrypt(const KovdevCipher *cipher, unsigned char *buffer, uint32_t length, uint64_t firstSector,
                         int vectorUnit);
void KovdevCipherDecrypt(const KovdevCipher *cipher, unsigned char *buffer, uint32_t length, uint64_t firstSector,
                         int vectorUnit);

#ifdef __cplusplus
}
#endif
