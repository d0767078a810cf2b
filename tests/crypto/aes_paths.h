// The AES implementations a test can run: the constant-time path, the AES-NI path
// (only where the processor has it) and the public, self-selecting functions.
#pragma once
#include <string>
#include "crypto/aes_impl.h"

struct AesPath {
    const char *name;
    void (*encryptBlock)(const unsigned char *, unsigned char *, const AesContext *);
    void (*decryptBlock)(const unsigned char *, unsigned char *, const AesContext *);
    void (*sectorEncrypt)(unsigned char *, size_t, SectorCounter *, const AesContext *);
    void (*sectorDecrypt)(unsigned char *, size_t, SectorCounter *, const AesContext *);
    bool needsAesNi;
};

inline const AesPath kAesPaths[] = {
    {"ConstantTime", AesEncryptBlockCt, AesDecryptBlockCt, SectorEncryptCt, SectorDecryptCt, false},
    {"AesNi", AesEncryptBlockNi, AesDecryptBlockNi, SectorEncryptNi, SectorDecryptNi, true},
    {"Public", AesEncryptBlock, AesDecryptBlock, SectorEncrypt, SectorDecrypt, false},
};

inline std::string AesPathName(const testing::TestParamInfo<AesPath> &info) { return info.param.name; }

#define SKIP_WITHOUT_PATH(path) \
    if ((path).needsAesNi && !AesNiAvailable()) GTEST_SKIP() << "processor has no AES-NI"
