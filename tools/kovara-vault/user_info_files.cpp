#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "refusal.h"
#include "user_info_source.h"

void ReadSizedFile(const std::string &path, unsigned size, const char *what, unsigned char *bytes) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) RefuseWithErrno(path + ": cannot open " + what, errno);
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        Refuse(path + ": not a regular file, but " + what + " is one");
    }
    if (info.st_size != off_t(size)) {
        close(fd);
        Refuse(path + ": " + std::to_string(info.st_size) + " bytes, but " + what + " has " + std::to_string(size));
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int error = n < 0 ? errno : EIO;
            close(fd);
            RefuseWithErrno(path + ": cannot read " + what, error);
        }
        done += size_t(n);
    }
    close(fd);
}

void ReadWholeBackup(const std::string &path, unsigned char record[kUserInfoSize]) {
    ReadSizedFile(path, kUserInfoSize, "a user information backup", record);
}

void ReadSplitParts(const std::string &part1Path, const std::string &part2Path, unsigned char part1[kUserInfoPartSize],
                    unsigned char part2[kUserInfoPartSize]) {
    ReadSizedFile(part1Path, kUserInfoPartSize, "a part of a split user information backup", part1);
    ReadSizedFile(part2Path, kUserInfoPartSize, "a part of a split user information backup", part2);
}
