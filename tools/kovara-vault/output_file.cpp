#include "output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "refusal.h"

namespace {

// The new file being written, removed when the run is interrupted, so that no
// half-written image or copy is left behind.
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

bool SameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The folder the target is in, where the new file must be made for the
// rename to replace the target in one step.
std::string FolderOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The target as lstat sees it and, for a link, what it leads to: neither may
// be the vault or a key file read by this run.
void RefuseOwnFiles(const std::string &path, const struct stat &target, const VaultProof &proof) {
    struct stat followed, container;
    bool leads = stat(path.c_str(), &followed) == 0;
    if (fstat(proof.vault.fd, &container) == 0 && (SameFile(target, container) || (leads && SameFile(followed, container))))
        Refuse(path + " is the vault itself; the vault is never written");
    for (const std::string &keyFile : proof.keyFiles) {
        struct stat key;
        if (stat(keyFile.c_str(), &key) == 0 && (SameFile(target, key) || (leads && SameFile(followed, key))))
            Refuse(path + " is the key file " + keyFile + "; key files are never written");
    }
}

void SyncFolder(const std::string &folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);  // some file systems refuse it on a folder; the file itself is on the disk
    close(fd);
}

// Renames without replacing: the target may have appeared since it was looked at.
int RenameNoReplace(const char *from, const char *to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without the flag: a hard link refuses an existing name too.
    if (link(from, to) != 0) return -1;
    unlink(from);
    return 0;
}

}  // namespace

OutputFile::~OutputFile() { AbandonOutput(this); }

std::string OutputName(const OutputFile &output) {
    return output.path == "-" ? std::string("standard output") : output.path;
}

void CreateOutput(const std::string &path, bool force, const VaultProof &proof, OutputFile *output) {
    output->path = path;
    if (path == "-") {
        if (isatty(STDOUT_FILENO)) Refuse("standard output is a terminal: give -o FILE or redirect it");
        output->fd = STDOUT_FILENO;
        return;
    }
    struct stat existing;
    if (lstat(path.c_str(), &existing) == 0) {
        RefuseOwnFiles(path, existing, proof);
        if (S_ISDIR(existing.st_mode)) Refuse(path + " is a folder; give the name of a file");
        if (!S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode))
            Refuse(path + " is no regular file and is never replaced; to write to it, give -o - and redirect");
        if (!force) Refuse(path + " exists; give --force to overwrite it");
    } else if (errno != ENOENT) {
        RefuseWithErrno(path + ": cannot look at it", errno);
    }
    std::string partial = FolderOf(path) + "/." + NameOf(path) + ".partial-XXXXXX";
    // mkostemp creates the name exclusively, with mode 0600 whatever the umask.
    int fd = mkostemp(&partial[0], O_CLOEXEC);
    if (fd < 0) RefuseWithErrno(path + ": cannot create a new file in " + FolderOf(path), errno);
    output->fd = fd;
    output->partialPath = partial;
    output->replace = force;
    ArmPartialRemoval(partial);
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
    if (output->fd == STDOUT_FILENO || output->partialPath.empty()) return;
    if (fsync(output->fd) != 0) {
        int error = errno;
        AbandonOutput(output);
        RefuseWithErrno(output->path + ": write failed", error);
    }
    int closed = close(output->fd);
    output->fd = -1;
    if (closed != 0) {
        int error = errno;
        AbandonOutput(output);
        RefuseWithErrno(output->path + ": write failed", error);
    }
    const char *from = output->partialPath.c_str(), *to = output->path.c_str();
    if ((output->replace ? rename(from, to) : RenameNoReplace(from, to)) != 0) {
        int error = errno;
        AbandonOutput(output);
        if (error == EEXIST) Refuse(output->path + " exists; give --force to overwrite it");
        RefuseWithErrno(output->path + ": cannot put the new file in its place", error);
    }
    output->partialPath.clear();
    gPartialArmed = 0;
    SyncFolder(FolderOf(output->path));
}

void AbandonOutput(OutputFile *output) {
    if (output->fd == STDOUT_FILENO) {
        output->fd = -1;
        return;
    }
    if (output->fd >= 0) close(output->fd);
    output->fd = -1;
    if (!output->partialPath.empty()) unlink(output->partialPath.c_str());
    output->partialPath.clear();
    gPartialArmed = 0;
}
