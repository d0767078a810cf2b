// The decrypted volume served as one file, "volume", by a small FUSE file
// system of ours: reads fetch and decrypt the sectors they touch, writes
// encrypt whole sectors and go to the container with pwrite. The system's
// ntfs-3g mounts that file; what it writes may gather in the kernel's page
// cache, and each of its flushes and fsyncs sends it all to the container and
// waits for fdatasync there, as a disk's cache would.
#pragma once
#include <pthread.h>
#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include "vault_file.h"

#define FUSE_USE_VERSION 35
#include <fuse3/fuse.h>

struct VaultImage {
    VaultFile vault;  // the container, opened for this mount (read-only or read-write)
    bool readOnly;
    // Writes may wait in the kernel's page cache until a flush, an fsync or the
    // unmount sends them on: set when only ntfs-3g writes the image.
    bool cacheWrites;
    AesContext context;
    // The first sector as proved at the start. Windows proves a vault with it
    // (the vault information file is its digest), so it never changes here.
    unsigned char firstSector[kSectorSize];
    struct timespec modified;
    // Requests run on several threads: writes, which read sectors they only
    // partly cover and write them whole, go one at a time.
    pthread_mutex_t writing;
};

// Sets up image from the open container and its key; refuses when the first
// sector cannot be read.
void StartVaultImage(const VaultFile &vault, bool readOnly, bool cacheWrites, const unsigned char *vaultKey,
                     VaultImage *image);
// Wipes the key and the first sector.
void EndVaultImage(VaultImage *image);

// count bytes of the volume at offset; the number done, or -errno.
long ReadVaultImage(VaultImage *image, char *out, size_t count, uint64_t offset);
// A partial sector is read, decrypted, changed, encrypted and written whole.
// A write that would change the first sector is refused whole with -EPERM.
long WriteVaultImage(VaultImage *image, const char *in, size_t count, uint64_t offset);

// The operations of the file system; private_data is the VaultImage.
const struct fuse_operations *VaultImageOperations();

// The image is served on this many threads, so that the kernel's read-ahead
// of the image runs while ntfs-3g's own read waits.
enum { kImageThreads = 4 };
// The kernel cache settings the image is served with; the writeback cache
// only with cacheWrites. mount-bench's copy layer takes the same.
void ChooseImageCaching(struct fuse_conn_info *connection, struct fuse_config *config, bool cacheWrites);
