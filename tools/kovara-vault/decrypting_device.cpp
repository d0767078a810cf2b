#include "decrypting_device.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <string.h>
#include <sys/ioctl.h>

#include <vector>

#include "crypto/core/secure_wipe.h"
#include "refusal.h"
#include "secret_input.h"

namespace {

DecryptingDevice *Of(struct ntfs_device *dev) { return static_cast<DecryptingDevice *>(dev->d_private); }

int DeviceOpen(struct ntfs_device *dev, int flags) {
    if ((flags & O_ACCMODE) != O_RDONLY) {
        errno = EROFS;
        return -1;
    }
    NDevSetOpen(dev);
    NDevSetReadOnly(dev);
    return 0;
}

int DeviceClose(struct ntfs_device *dev) {
    NDevClearOpen(dev);
    return 0;
}

// Reads count bytes at offset through the decryption; short at the end of the vault.
s64 DevicePread(struct ntfs_device *dev, void *out, s64 count, s64 offset) {
    DecryptingDevice *device = Of(dev);
    const int64_t size = int64_t(device->vault->bytes);
    if (offset < 0 || count < 0) {
        errno = EINVAL;
        return -1;
    }
    if (offset >= size || count == 0) return 0;
    if (count > size - offset) count = size - offset;

    // A bounded piece at a time through one buffer of fixed size: a growing
    // one would leave plaintext in freed memory.
    return ReadDecryptedBytes(*device->vault, &device->context, static_cast<unsigned char *>(out), uint64_t(count),
                              uint64_t(offset), device->scratch.data(), device->scratch.size());
}

s64 DeviceSeek(struct ntfs_device *dev, s64 offset, int whence) {
    DecryptingDevice *device = Of(dev);
    int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? device->position : int64_t(device->vault->bytes);
    if ((whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) || base + offset < 0) {
        errno = EINVAL;
        return -1;
    }
    device->position = base + offset;
    return device->position;
}

s64 DeviceRead(struct ntfs_device *dev, void *out, s64 count) {
    DecryptingDevice *device = Of(dev);
    s64 n = DevicePread(dev, out, count, device->position);
    if (n > 0) device->position += n;
    return n;
}

s64 DeviceWrite(struct ntfs_device *, const void *, s64) {
    errno = EROFS;
    return -1;
}

s64 DevicePwrite(struct ntfs_device *, const void *, s64, s64) {
    errno = EROFS;
    return -1;
}

int DeviceSync(struct ntfs_device *) { return 0; }

int DeviceStat(struct ntfs_device *dev, struct stat *info) {
    memset(info, 0, sizeof *info);
    info->st_mode = S_IFREG | 0400;
    info->st_size = off_t(Of(dev)->vault->bytes);
    info->st_blksize = kSectorSize;
    return 0;
}

int DeviceIoctl(struct ntfs_device *dev, unsigned long request, void *argument) {
    if (request == BLKGETSIZE64) {
        *static_cast<uint64_t *>(argument) = Of(dev)->vault->bytes;
        return 0;
    }
    if (request == BLKSSZGET) {
        *static_cast<int *>(argument) = kSectorSize;
        return 0;
    }
    errno = ENOTTY;
    return -1;
}

struct ntfs_device_operations gDecryptingOperations = {
    DeviceOpen, DeviceClose, DeviceSeek, DeviceRead, DeviceWrite, DevicePread,
    DevicePwrite, DeviceSync, DeviceStat, DeviceIoctl,
};

}  // namespace

ntfs_volume *MountDecryptedVolume(const VaultProof &proof, DecryptingDevice *device) {
    // The library's own diagnostics would interleave with the listing; its
    // failures are reported below with errno.
    ntfs_log_set_handler(ntfs_log_handler_null);
    device->vault = &proof.vault;
    device->position = 0;
    device->scratch.assign(size_t(kDevicePiece) + 2 * kSectorSize, 0);
    memset(&device->context, 0, sizeof device->context);
    LockInMemory(&device->context, sizeof device->context);
    AesSetKey(proof.vaultKey, kVaultKeyLength, 0, &device->context);

    struct ntfs_device *dev = ntfs_device_alloc(proof.vault.path.c_str(), 0, &gDecryptingOperations, device);
    if (!dev) Refuse("not enough memory to read the volume");
    ntfs_volume *volume = ntfs_device_mount(dev, NTFS_MNT_RDONLY);
    if (!volume) {
        int error = errno;
        ntfs_device_free(dev);
        SecureWipe(&device->context, sizeof device->context);
        SecureWipe(device->scratch.data(), device->scratch.size());
        RefuseWithErrno(proof.vault.path + ": the decrypted volume does not read as NTFS", error);
    }
    return volume;
}

void UnmountDecryptedVolume(ntfs_volume *volume, DecryptingDevice *device) {
    ntfs_umount(volume, FALSE);  // frees the device as well
    SecureWipe(&device->context, sizeof device->context);
    SecureWipe(device->scratch.data(), device->scratch.size());
}
