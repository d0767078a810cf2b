// The vault as an NTFS device for libntfs-3g: every read fetches the sectors
// it touches from the container and decrypts them on the spot. Writes are
// refused; nothing is ever written, and no decrypted image exists on disk.
#pragma once
#include "ntfs3g.h"
#include "vault_proof.h"

#include <vector>

enum { kDevicePiece = 1 << 20 };  // the most one read decrypts at a time

struct DecryptingDevice {
    const VaultFile *vault;
    AesContext context;
    int64_t position;                    // for the device's seek and read
    std::vector<unsigned char> scratch;  // kDevicePiece and a sector either side, wiped after each read
};

// Mounts the decrypted volume read-only; refuses when it is no NTFS volume
// libntfs-3g can read. device must outlive the volume.
ntfs_volume *MountDecryptedVolume(const VaultProof &proof, DecryptingDevice *device);
// Unmounts and wipes the device's key.
void UnmountDecryptedVolume(ntfs_volume *volume, DecryptingDevice *device);
