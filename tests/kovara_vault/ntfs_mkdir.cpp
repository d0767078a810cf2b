// Test helper: makes a folder in an NTFS image file (ntfscp copies files but
// makes no folders).   ntfs_mkdir IMAGE /PARENT NAME
#include <stdio.h>
#include <stdlib.h>

#include "ntfs3g.h"

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: ntfs_mkdir IMAGE /PARENT NAME\n");
        return 2;
    }
    ntfs_volume *volume = ntfs_mount(argv[1], ntfs_mount_flags(0));
    if (!volume) {
        perror("ntfs_mkdir: mount");
        return 1;
    }
    int status = 1;
    ntfs_inode *parent = ntfs_pathname_to_inode(volume, nullptr, argv[2]);
    ntfschar *name = nullptr;
    int length = ntfs_mbstoucs(argv[3], &name);
    if (parent && length > 0) {
        ntfs_inode *folder = ntfs_create(parent, const_cpu_to_le32(0), name, u8(length), S_IFDIR);
        if (folder) {
            ntfs_inode_close(folder);
            status = 0;
        }
    }
    if (status) perror("ntfs_mkdir");
    free(name);
    if (parent) ntfs_inode_close(parent);
    if (ntfs_umount(volume, FALSE) != 0) status = 1;
    return status;
}
