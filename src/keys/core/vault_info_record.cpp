#include "keys/core/vault_info_record.h"

#include <string.h>

#include "crypto/core/aes.h"
#include "crypto/core/derive_key.h"
#include "crypto/core/digest_text.h"
#include "crypto/core/sector.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"

namespace {

void SectorCipher(const unsigned char *vaultKey32, unsigned char *sector512, bool encrypt) {
    AesContext context;
    memset(&context, 0, sizeof context);
    AesSetKey(vaultKey32, kVaultKeyLength, 0, &context);
    SectorCounter counter = {{0, 0, 0, 0}};
    if (encrypt)
        SectorEncrypt(sector512, kVaultSectorSize, &counter, &context);
    else
        SectorDecrypt(sector512, kVaultSectorSize, &counter, &context);
    SecureWipe(&context, sizeof context);
}

}  // namespace

int MakeVaultCheckText(const unsigned char *firstSector512, const unsigned char *vaultKey32,
                       unsigned char *checkText512) {
    unsigned char sector[kVaultSectorSize];
    memcpy(sector, firstSector512, kVaultSectorSize);
    SectorCipher(vaultKey32, sector, false);
    char text[kDigestTextSize];
    memset(checkText512, 0, kVaultInfoSize);
    int ok = DigestTextOfSector(sector, text);
    if (ok) {
        text[kDigestTextSize - 1] = '\0';
        memcpy(checkText512, text, strlen(text));
    }
    SecureWipe(sector, sizeof sector);
    return ok;
}

int SealVaultInfoRecord(const unsigned char *firstSector512, const unsigned char *userKeyBlock256,
                        unsigned char *vaultInfo512) {
    unsigned char vaultKey[kVaultKeyLength];
    ComputeVaultKey(userKeyBlock256, kUserKeyBlockSize, vaultKey);
    int ok = MakeVaultCheckText(firstSector512, vaultKey, vaultInfo512);
    if (ok) SectorCipher(vaultKey, vaultInfo512, true);
    SecureWipe(vaultKey, sizeof vaultKey);
    return ok;
}

VaultInfoOutcome CompareVaultInfo(const unsigned char *firstSector512, const unsigned char *vaultKey32,
                                  const unsigned char *vaultInfo512) {
    unsigned char checkText[kVaultInfoSize];
    if (!MakeVaultCheckText(firstSector512, vaultKey32, checkText)) return kVaultInfoNoDigest;
    unsigned char opened[kVaultInfoSize];
    memcpy(opened, vaultInfo512, kVaultInfoSize);
    SectorCipher(vaultKey32, opened, false);
    VaultInfoOutcome outcome = memcmp(opened, checkText, kVaultInfoSize) == 0 ? kVaultInfoMatches : kVaultInfoDiffers;
    SecureWipe(opened, sizeof opened);
    return outcome;
}
