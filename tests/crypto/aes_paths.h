// The AES implementations a test can run: the constant-time path, the AES-NI path
// and the VAES decryptions (each only where the processor has it), and the public,
// self-selecting functions, the bulk sector decryption among them.
#pragma once
#include <string>
#include "crypto/core/aes_impl.h"

struct AesPath {
    const char *name;
    void (*encryptBlock)(const unsigned char *, unsigned char *, const AesContext *);
    void (*decryptBlock)(const unsigned char *, unsigned char *, const AesContext *);
    void (*sectorEncrypt)(unsigned char *, size_t, SectorCounter *, const AesContext *);
    void (*sectorDecrypt)(unsigned char *, size_t, SectorCounter *, const AesContext *);
    enum Needs { kNothing, kAesNi, kVaes, kVaes512 } needs;
};

inline const AesPath kAesPaths[] = {
    {"ConstantTime", AesEncryptBlockCt, AesDecryptBlockCt, SectorEncryptCt, SectorDecryptCt, AesPath::kNothing},
    {"AesNi", AesEncryptBlockNi, AesDecryptBlockNi, SectorEncryptNi, SectorDecryptNi, AesPath::kAesNi},
    // VAES only decrypts; the rest of this path is the AES-NI one.
    {"Vaes", AesEncryptBlockNi, AesDecryptBlockNi, SectorEncryptNi, SectorDecryptVaes, AesPath::kVaes},
    {"Vaes512", AesEncryptBlockNi, AesDecryptBlockNi, SectorEncryptNi, SectorDecryptVaes512, AesPath::kVaes512},
    {"Public", AesEncryptBlock, AesDecryptBlock, SectorEncrypt, SectorDecrypt, AesPath::kNothing},
    {"PublicBulk", AesEncryptBlock, AesDecryptBlock, SectorEncrypt, SectorDecryptBulk, AesPath::kNothing},
};

inline std::string AesPathName(const testing::TestParamInfo<AesPath> &info) { return info.param.name; }

// Why the path cannot run here, or null when it can.
inline const char *AesPathMissing(const AesPath &path) {
    if (path.needs != AesPath::kNothing && !AesNiAvailable()) return "processor has no AES-NI";
    const bool vaes = path.needs == AesPath::kVaes || path.needs == AesPath::kVaes512;
    if (vaes && !AesVaesBuilt()) return "VAES path not built for this target";
    if (vaes && !AesVaesAvailable())
        return "processor lacks VAES or AVX2, or the operating system does not save the 256-bit registers";
    if (path.needs == AesPath::kVaes512 && !AesVaes512Available())
        return "processor lacks AVX-512F, or the operating system does not save the 512-bit registers";
    return nullptr;
}

#define SKIP_WITHOUT_PATH(path) \
    if (const char *missing = AesPathMissing(path)) GTEST_SKIP() << missing
