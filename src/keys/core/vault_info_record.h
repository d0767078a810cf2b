// The 512-byte vault information file: the digest text of the vault's
// decrypted first sector, sealed under the vault key with the sector chaining.
#pragma once

enum { kVaultInfoSize = 512, kVaultSectorSize = 512 };

enum VaultInfoOutcome {
    kVaultInfoDiffers = 0,
    kVaultInfoMatches = 1,
    kVaultInfoNoDigest = 2,  // the digest text could not be computed
};

// Decrypts a copy of the vault's first sector under the vault key (counter 0)
// and renders its digest text, zero-filled to 512 bytes. 1, or 0 when the
// digest cannot be computed.
int MakeVaultCheckText(const unsigned char *firstSector512, const unsigned char *vaultKey32,
                       unsigned char *checkText512);

// Builds the sealed file for a vault whose first sector is given.
// 1, or 0 when the digest cannot be computed.
int SealVaultInfoRecord(const unsigned char *firstSector512, const unsigned char *userKeyBlock256,
                        unsigned char *vaultInfo512);

// Opens the sealed file under the vault key and compares all 512 bytes with
// the check text of the vault's first sector.
VaultInfoOutcome CompareVaultInfo(const unsigned char *firstSector512, const unsigned char *vaultKey32,
                                  const unsigned char *vaultInfo512);
