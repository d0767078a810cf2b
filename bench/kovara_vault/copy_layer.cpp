// The reference for mount-bench: one existing file served as DIR/volume by a
// FUSE file system with kovara-vault's own image settings (its caching and
// thread count, taken from the tool), doing nothing but pread and pwrite.
// ntfs-3g over it costs what the second FUSE layer costs by itself, without
// any cryptography.
//   copy_layer IMAGE DIR     serves until DIR is unmounted (fusermount3 -u DIR)
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fuse_image.h"

namespace {

int gImage = -1;
off_t gBytes = 0;

int Getattr(const char *path, struct stat *info, struct fuse_file_info *) {
    memset(info, 0, sizeof *info);
    if (strcmp(path, "/") == 0) {
        info->st_mode = S_IFDIR | 0700;
        info->st_nlink = 2;
        return 0;
    }
    if (strcmp(path, "/volume") != 0) return -ENOENT;
    info->st_mode = S_IFREG | 0600;
    info->st_nlink = 1;
    info->st_size = gBytes;
    info->st_blksize = 4096;
    return 0;
}

int Open(const char *path, struct fuse_file_info *file) {
    if (strcmp(path, "/volume") != 0) return -ENOENT;
    file->keep_cache = 1;
    return 0;
}

int Read(const char *, char *out, size_t count, off_t offset, struct fuse_file_info *) {
    ssize_t n = pread(gImage, out, count, offset);
    return n < 0 ? -errno : int(n);
}

int Write(const char *, const char *in, size_t count, off_t offset, struct fuse_file_info *) {
    ssize_t n = pwrite(gImage, in, count, offset);
    return n < 0 ? -errno : int(n);
}

int Sync(const char *, struct fuse_file_info *) { return fdatasync(gImage) == 0 ? 0 : -errno; }
int Fsync(const char *path, int, struct fuse_file_info *file) { return Sync(path, file); }
int Truncate(const char *, off_t size, struct fuse_file_info *) { return size == gBytes ? 0 : -EPERM; }
int Utimens(const char *, const struct timespec[2], struct fuse_file_info *) { return 0; }

void *Init(struct fuse_conn_info *connection, struct fuse_config *config) {
    ChooseImageCaching(connection, config, true);
    return nullptr;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: copy_layer IMAGE DIR\n");
        return 2;
    }
    gImage = open(argv[1], O_RDWR | O_CLOEXEC);
    if (gImage < 0 || (gBytes = lseek(gImage, 0, SEEK_END)) < 0) {
        perror(argv[1]);
        return 1;
    }
    struct fuse_operations operations;
    memset(&operations, 0, sizeof operations);
    operations.getattr = Getattr;
    operations.open = Open;
    operations.read = Read;
    operations.write = Write;
    operations.flush = Sync;
    operations.fsync = Fsync;
    operations.truncate = Truncate;
    operations.utimens = Utimens;
    operations.init = Init;
    const char *options[] = {"copy_layer", "-o", "fsname=copy_layer,default_permissions"};
    struct fuse_args args = FUSE_ARGS_INIT(3, const_cast<char **>(options));
    struct fuse *fuse = fuse_new(&args, &operations, sizeof operations, nullptr);
    if (!fuse || fuse_mount(fuse, argv[2]) != 0) {
        fprintf(stderr, "copy_layer: cannot mount at %s\n", argv[2]);
        return 1;
    }
    struct fuse_loop_config config = {0, kImageThreads};
    int status = fuse_loop_mt(fuse, &config);
    fuse_unmount(fuse);
    fuse_destroy(fuse);
    fdatasync(gImage);
    return status == 0 ? 0 : 1;
}
