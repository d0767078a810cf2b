// The two AES implementations behind the public block and sector functions.
// The public functions pick the AES-NI path when the processor has it; both
// paths are reachable here so that each can be exercised on its own.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "crypto/core/aes.h"
#include "crypto/core/sector.h"

// Constant-time bitsliced path, present on every processor. It needs no
// vector or floating-point register.
void AesEncryptBlockCt(const unsigned char *in16, unsigned char *out16, const AesContext *context);
void AesDecryptBlockCt(const unsigned char *in16, unsigned char *out16, const AesContext *context);
void SectorEncryptCt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context);
void SectorDecryptCt(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context);
// SubWord of the key schedule (the S-box on each byte), in constant time.
uint32_t AesSubWordCt(uint32_t word);

// 1 when the processor can run the AES-NI path (AES, SSSE3 and SSE2 present).
int AesNiAvailable();

// AES-NI path; call only when AesNiAvailable() returns 1.
void AesEncryptBlockNi(const unsigned char *in16, unsigned char *out16, const AesContext *context);
void AesDecryptBlockNi(const unsigned char *in16, unsigned char *out16, const AesContext *context);
void SectorEncryptNi(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context);
void SectorDecryptNi(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context);

// 1 when the processor has VAES, AVX2 and AES-NI and the operating system
// saves the 256-bit register state, and this build contains the VAES code.
int AesVaesAvailable();
// 1 when this build contains the VAES code (Linux on x86).
int AesVaesBuilt();

// VAES path, decryption only (CBC decryption is parallel across blocks):
// whole sectors two blocks to a register, a partial last sector through the
// AES-NI path. Call only when AesVaesAvailable() returns 1.
void SectorDecryptVaes(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context);

// 1 when, besides the above, the processor has AVX-512F and the operating
// system saves the 512-bit register state.
int AesVaes512Available();
// The same with four blocks to a register. Call only when
// AesVaes512Available() returns 1.
void SectorDecryptVaes512(unsigned char *buffer, size_t lengthBytes, SectorCounter *counter, const AesContext *context);

// Shared by all paths: the chaining value of the next sector, taken from the
// counter as 16 little-endian bytes, after which the counter advances by one.
void SectorTakeInitialVector(SectorCounter *counter, unsigned char *iv16);
