#include "output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "refusal.h"

namespace {

// The file being written, removed when the run is interrupted, so that no
// half-written image or copy is left looking like a whole one.
char gPartialPath[4096];
volatile sig_atomic_t gPartialArmed = 0;

void RemovePartialAndStop(int signalNumber) {
    if (gPartialArmed) unlink(gPartialPath);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void ArmPartialRemoval(const std::string &path) {
    if (path.size() >= sizeof gPartialPath) return;
    memcpy(gPartialPath, path.c_str(), path.size() + 1);
    gPartialArmed = 1;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = RemovePartialAndStop;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);
}

}  // namespace

OutputFile CreateOutput(const std::string &path, bool force, const VaultProof &proof) {
    if (path == "-") {
        if (isatty(STDOUT_FILENO)) Refuse("standard output is a terminal: give -o FILE or redirect it");
        return OutputFile{STDOUT_FILENO, path, false};
    }
    struct stat existing, container;
    if (stat(path.c_str(), &existing) == 0) {
        if (fstat(proof.vault.fd, &container) == 0 && existing.st_dev == container.st_dev && existing.st_ino == container.st_ino)
            Refuse(path + " is the vault itself; the vault is never written");
        for (const std::string &keyFile : proof.keyFiles) {
            struct stat key;
            if (stat(keyFile.c_str(), &key) == 0 && existing.st_dev == key.st_dev && existing.st_ino == key.st_ino)
                Refuse(path + " is the key file " + keyFile + "; key files are never written");
        }
        if (!force) Refuse(path + " exists; give --force to overwrite it");
    }
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (force ? O_TRUNC : O_EXCL);
    int fd = open(path.c_str(), flags, 0600);
    if (fd < 0) {
        if (errno == EEXIST) Refuse(path + " exists; give --force to overwrite it");
        RefuseWithErrno(path + ": cannot create", errno);
    }
    struct stat opened;
    bool regular = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
    if (regular) ArmPartialRemoval(path);
    return OutputFile{fd, path, regular};
}

int WriteOutput(const OutputFile &output, const unsigned char *bytes, size_t length) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = write(output.fd, bytes + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return 0;
        }
        done += size_t(n);
    }
    return 1;
}

void FinishOutput(OutputFile *output) {
    if (output->fd == STDOUT_FILENO) return;
    int fd = output->fd;
    output->fd = -1;
    int closed = close(fd);
    gPartialArmed = 0;
    if (closed != 0) {
        int error = errno;
        if (output->ownFile) unlink(output->path.c_str());
        RefuseWithErrno(output->path + ": write failed", error);
    }
}

void AbandonOutput(OutputFile *output) {
    if (output->fd < 0 || output->fd == STDOUT_FILENO) return;
    close(output->fd);
    output->fd = -1;
    if (output->ownFile) unlink(output->path.c_str());
    gPartialArmed = 0;
}
