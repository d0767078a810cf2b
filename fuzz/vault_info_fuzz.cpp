// The vault information file read from the program folder or a backup: 512
// bytes opened under the vault key and compared with the check text of the
// vault's first sector. A second mode seals the file for a chosen first
// sector and key block, which must then match, and must no longer match once
// any one byte of it is changed.
#include <stdlib.h>
#include <string.h>

#include "fuzz_input.h"
#include "keys/core/user_info_record.h"
#include "keys/core/vault_info_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const bool sealHere = in.ConsumeBool();
    std::vector<unsigned char> firstSector = Take(in, kVaultSectorSize);
    if (!sealHere) {
        std::vector<unsigned char> vaultKey = Take(in, 32);
        std::vector<unsigned char> vaultInfo = Take(in, kVaultInfoSize);
        VaultInfoOutcome outcome = CompareVaultInfo(firstSector.data(), vaultKey.data(), vaultInfo.data());
        if (outcome != kVaultInfoMatches && outcome != kVaultInfoDiffers) abort();
        return 0;
    }
    const size_t changed = in.ConsumeIntegralInRange<size_t>(0, kVaultInfoSize - 1);
    const unsigned char flip = in.ConsumeIntegralInRange<unsigned char>(1, 255);
    std::vector<unsigned char> keyBlock = Take(in, kUserKeyBlockSize);
    unsigned char vaultInfo[kVaultInfoSize], vaultKey[32];
    if (!SealVaultInfoRecord(firstSector.data(), keyBlock.data(), vaultInfo)) abort();
    ComputeVaultKey(keyBlock.data(), kUserKeyBlockSize, vaultKey);
    if (CompareVaultInfo(firstSector.data(), vaultKey, vaultInfo) != kVaultInfoMatches) abort();
    vaultInfo[changed] ^= flip;
    if (CompareVaultInfo(firstSector.data(), vaultKey, vaultInfo) != kVaultInfoDiffers) abort();
    return 0;
}
