#include "vault_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string.h>

#include "crypto/core/secure_wipe.h"
#include "crypto/core/sector.h"
#include "refusal.h"

VaultFile OpenVaultFile(const std::string &path) {
    VaultFile vault{-1, 0, path};
    vault.fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (vault.fd < 0) RefuseWithErrno(path + ": cannot open the vault", errno);
    struct stat info;
    off_t end = lseek(vault.fd, 0, SEEK_END);
    if (fstat(vault.fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode)) || end < 0) {
        CloseVaultFile(&vault);
        Refuse(path + ": not a vault file (neither a regular file nor a block device)");
    }
    vault.bytes = uint64_t(end);
    if (vault.bytes == 0 || vault.bytes % kSectorSize) {
        CloseVaultFile(&vault);
        Refuse(path + ": " + std::to_string(end) + " bytes, but a vault is a whole number of 512-byte sectors");
    }
    return vault;
}

void CloseVaultFile(VaultFile *vault) {
    if (vault->fd >= 0) close(vault->fd);
    vault->fd = -1;
}

int ReadVaultBytes(const VaultFile &vault, unsigned char *buffer, size_t length, uint64_t offset) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = pread(vault.fd, buffer + done, length - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;  // the file shrank under us
            return 0;
        }
        done += size_t(n);
    }
    return 1;
}

void DecryptSectors(const AesContext *context, unsigned char *buffer, size_t length, uint64_t firstSector) {
    SectorCounter counter = {{uint32_t(firstSector), uint32_t(firstSector >> 32), 0, 0}};
    SectorDecryptBulk(buffer, length, &counter, context);
}

long long ReadDecryptedBytes(const VaultFile &vault, const AesContext *context, unsigned char *out, uint64_t count,
                             uint64_t offset, unsigned char *scratch, size_t scratchSize) {
    const uint64_t piece = scratchSize - 2 * kSectorSize;
    uint64_t done = 0;
    while (done < count) {
        uint64_t at = offset + done;
        uint64_t first = at / kSectorSize * kSectorSize;
        uint64_t end = at + (count - done < piece ? count - done : piece);
        uint64_t last = (end + kSectorSize - 1) / kSectorSize * kSectorSize;
        size_t span = size_t(last - first);
        if (!ReadVaultBytes(vault, scratch, span, first)) {
            int error = errno;
            SecureWipe(scratch, scratchSize);
            errno = error;
            return done ? (long long)done : -1;
        }
        DecryptSectors(context, scratch, span, first / kSectorSize);
        memcpy(out + done, scratch + (at - first), size_t(end - at));
        done += end - at;
    }
    SecureWipe(scratch, scratchSize);
    return (long long)done;
}
