#include "fuse_image.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "crypto/core/secure_wipe.h"
#include "crypto/core/derive_key.h"
#include "crypto/core/sector.h"
#include "refusal.h"

namespace {

const char kVolumeName[] = "volume";
const char kVolumePath[] = "/volume";
// Requests are cut into pieces of this size: large enough for one call each
// from ntfs-3g, small enough to stay in the core's cache.
const size_t kPieceBytes = size_t(1) << 20;

VaultImage *Image() { return static_cast<VaultImage *>(fuse_get_context()->private_data); }

long WriteAll(int fd, const unsigned char *bytes, size_t length, uint64_t offset) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = pwrite(fd, bytes + done, length - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0 ? -EIO : -errno;
        done += size_t(n);
    }
    return 0;
}

void EncryptSectors(const AesContext *context, unsigned char *buffer, size_t length, uint64_t firstSector) {
    SectorCounter counter = {{uint32_t(firstSector), uint32_t(firstSector >> 32), 0, 0}};
    SectorEncrypt(buffer, length, &counter, context);
}

// Reads and decrypts the one sector at byte offset sectorStart into out512.
int ReadSector(VaultImage *image, unsigned char *out512, uint64_t sectorStart) {
    if (!ReadVaultBytes(image->vault, out512, kSectorSize, sectorStart)) return -errno;
    DecryptSectors(&image->context, out512, kSectorSize, sectorStart / kSectorSize);
    return 0;
}

int ImageGetattr(const char *path, struct stat *info, struct fuse_file_info *) {
    VaultImage *image = Image();
    memset(info, 0, sizeof *info);
    info->st_uid = getuid();
    info->st_gid = getgid();
    pthread_mutex_lock(&image->writing);
    info->st_mtim = info->st_ctim = info->st_atim = image->modified;
    pthread_mutex_unlock(&image->writing);
    if (strcmp(path, "/") == 0) {
        info->st_mode = S_IFDIR | 0700;
        info->st_nlink = 2;
        return 0;
    }
    if (strcmp(path, kVolumePath) != 0) return -ENOENT;
    info->st_mode = S_IFREG | (image->readOnly ? 0400 : 0600);
    info->st_nlink = 1;
    info->st_size = off_t(image->vault.bytes);
    info->st_blocks = blkcnt_t(image->vault.bytes / 512);
    info->st_blksize = 4096;
    return 0;
}

int ImageReaddir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t, struct fuse_file_info *,
                 enum fuse_readdir_flags) {
    if (strcmp(path, "/") != 0) return -ENOTDIR;
    fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags(0));
    fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags(0));
    fill(buffer, kVolumeName, nullptr, 0, fuse_fill_dir_flags(0));
    return 0;
}

int ImageOpen(const char *path, struct fuse_file_info *file) {
    if (strcmp(path, kVolumePath) != 0) return -ENOENT;
    if (file->flags & O_TRUNC) return -EPERM;
    if (Image()->readOnly && (file->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    // Reads may be served from the kernel's cache (ntfs-3g rereads its
    // bitmaps and index blocks byte by byte).
    file->keep_cache = 1;
    return 0;
}

int ImageRead(const char *, char *out, size_t count, off_t offset, struct fuse_file_info *) {
    return int(ReadVaultImage(Image(), out, count, uint64_t(offset)));
}

int ImageWrite(const char *, const char *in, size_t count, off_t offset, struct fuse_file_info *) {
    VaultImage *image = Image();
    pthread_mutex_lock(&image->writing);
    long done = WriteVaultImage(image, in, count, uint64_t(offset));
    pthread_mutex_unlock(&image->writing);
    return int(done);
}

// The volume keeps its size: the container is the volume.
int ImageTruncate(const char *path, off_t size, struct fuse_file_info *) {
    if (strcmp(path, kVolumePath) != 0) return -ENOENT;
    return uint64_t(size) == Image()->vault.bytes ? 0 : -EPERM;
}

// Writes are already in the container; these make them durable there.
int SyncContainer(VaultImage *image) {
    if (image->readOnly) return 0;
    return fdatasync(image->vault.fd) == 0 ? 0 : -errno;
}

int ImageFlush(const char *, struct fuse_file_info *) { return SyncContainer(Image()); }

int ImageFsync(const char *, int, struct fuse_file_info *) { return SyncContainer(Image()); }

// The kernel's own idea of the image's times is kept; only the next getattr shows it.
int ImageUtimens(const char *path, const struct timespec[2], struct fuse_file_info *) {
    return strcmp(path, kVolumePath) == 0 ? 0 : -ENOENT;
}

void *ImageInit(struct fuse_conn_info *connection, struct fuse_config *config) {
    VaultImage *image = static_cast<VaultImage *>(fuse_get_context()->private_data);
    ChooseImageCaching(connection, config, image->cacheWrites);
    return image;
}

void ImageDestroy(void *data) { SyncContainer(static_cast<VaultImage *>(data)); }

struct fuse_operations MakeOperations() {
    struct fuse_operations operations;
    memset(&operations, 0, sizeof operations);
    operations.getattr = ImageGetattr;
    operations.readdir = ImageReaddir;
    operations.open = ImageOpen;
    operations.read = ImageRead;
    operations.write = ImageWrite;
    operations.truncate = ImageTruncate;
    operations.utimens = ImageUtimens;
    operations.flush = ImageFlush;
    operations.fsync = ImageFsync;
    operations.init = ImageInit;
    operations.destroy = ImageDestroy;
    return operations;
}

const struct fuse_operations gOperations = MakeOperations();

}  // namespace

void StartVaultImage(const VaultFile &vault, bool readOnly, bool cacheWrites, const unsigned char *vaultKey,
                     VaultImage *image) {
    image->vault = vault;
    image->readOnly = readOnly;
    image->cacheWrites = cacheWrites && !readOnly;
    pthread_mutex_init(&image->writing, nullptr);
    memset(&image->context, 0, sizeof image->context);
    AesSetKey(vaultKey, kVaultKeyLength, 0, &image->context);
    struct stat info;
    if (fstat(vault.fd, &info) == 0) image->modified = info.st_mtim;
    if (ReadSector(image, image->firstSector, 0) != 0) {
        int error = errno;
        EndVaultImage(image);
        RefuseWithErrno(vault.path + ": cannot read the vault", error);
    }
}

void EndVaultImage(VaultImage *image) {
    SecureWipe(&image->context, sizeof image->context);
    SecureWipe(image->firstSector, sizeof image->firstSector);
}

long ReadVaultImage(VaultImage *image, char *out, size_t count, uint64_t offset) {
    const uint64_t size = image->vault.bytes;
    if (offset >= size || count == 0) return 0;
    if (count > size - offset) count = size_t(size - offset);
    unsigned char *bytes = reinterpret_cast<unsigned char *>(out);

    // Whole sectors are read and decrypted in the caller's buffer.
    if (offset % kSectorSize == 0 && count % kSectorSize == 0) {
        if (!ReadVaultBytes(image->vault, bytes, count, offset)) return -errno;
        DecryptSectors(&image->context, bytes, count, offset / kSectorSize);
        return long(count);
    }
    // Other reads go through a buffer sized once, never grown: a grown one
    // would leave plaintext in freed memory.
    std::vector<unsigned char> scratch((count < kPieceBytes ? count : kPieceBytes) + 2 * kSectorSize);
    long long got =
        ReadDecryptedBytes(image->vault, &image->context, bytes, count, offset, scratch.data(), scratch.size());
    return got < 0 ? -errno : long(got);
}

long WriteVaultImage(VaultImage *image, const char *in, size_t count, uint64_t offset) {
    if (image->readOnly) return -EROFS;
    const uint64_t size = image->vault.bytes;
    if (count == 0) return 0;
    if (offset >= size) return -ENOSPC;
    if (count > size - offset) count = size_t(size - offset);
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(in);

    // The first sector is what Windows proves the vault with: a write that
    // leaves it as it is goes ahead, one that would change it is refused whole.
    if (offset < kSectorSize) {
        size_t inFirst = count < kSectorSize - offset ? count : size_t(kSectorSize - offset);
        if (memcmp(image->firstSector + offset, bytes, inFirst) != 0) {
            fprintf(stderr, "kovara-vault: refused a write to the volume's first sector (its boot sector): "
                            "Windows proves the vault with it\n");
            return -EPERM;
        }
    }

    // Room for the largest piece up front: resizing within it never moves
    // the sectors of plaintext read for the partly covered ends.
    std::vector<unsigned char> scratch;
    scratch.reserve((count < kPieceBytes ? count : kPieceBytes) + 2 * kSectorSize);
    size_t done = 0;
    long outcome = 0;
    while (done < count && outcome == 0) {
        uint64_t at = offset + done;
        uint64_t first = at / kSectorSize * kSectorSize;
        uint64_t end = at + (count - done < kPieceBytes ? count - done : kPieceBytes);
        uint64_t last = (end + kSectorSize - 1) / kSectorSize * kSectorSize;
        scratch.resize(size_t(last - first));
        // The sectors the write only partly covers keep the rest of their bytes.
        if (at != first) outcome = ReadSector(image, scratch.data(), first);
        if (outcome == 0 && end != last && (last - kSectorSize != first || at == first))
            outcome = ReadSector(image, scratch.data() + scratch.size() - kSectorSize, last - kSectorSize);
        if (outcome != 0) break;
        memcpy(scratch.data() + (at - first), bytes + done, size_t(end - at));
        // Sector 0 is unchanged (checked above) and is left as it is on disk.
        size_t skip = first == 0 ? kSectorSize : 0;
        if (scratch.size() > skip) {
            EncryptSectors(&image->context, scratch.data() + skip, scratch.size() - skip, (first + skip) / kSectorSize);
            outcome = WriteAll(image->vault.fd, scratch.data() + skip, scratch.size() - skip, first + skip);
        }
        if (outcome == 0) done += size_t(end - at);
    }
    SecureWipe(scratch.data(), scratch.size());
    if (done) image->modified.tv_sec = time(nullptr);
    return done ? long(done) : outcome;
}

const struct fuse_operations *VaultImageOperations() { return &gOperations; }

void ChooseImageCaching(struct fuse_conn_info *connection, struct fuse_config *config, bool cacheWrites) {
    config->direct_io = 0;
    config->kernel_cache = 1;
    // No one but this mount changes the image, so the kernel's cached pages
    // never need a getattr before each read to be trusted.
    connection->want &= ~FUSE_CAP_AUTO_INVAL_DATA;
    // ntfs-3g on a volume under 4 GiB writes its device in 4 KiB pieces, and
    // each piece of a file rewrites the same record, index and bitmap blocks:
    // the kernel's page cache gathers them into large writes. Every flush and
    // fsync ntfs-3g makes still sends all of them here first and then waits for
    // the container's fdatasync, as it would on a disk.
    if (cacheWrites && (connection->capable & FUSE_CAP_WRITEBACK_CACHE))
        connection->want |= FUSE_CAP_WRITEBACK_CACHE;
    connection->max_write = kPieceBytes;
}

