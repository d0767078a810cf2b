#include "mount_command.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "crypto/core/secure_wipe.h"
#include "fuse_image.h"
#include "mount_table.h"
#include "pipe_text.h"
#include "refusal.h"
#include "secret_input.h"
#include "vault_proof.h"

namespace {

const int kReadyTimeoutMs = 30000;
const int kUnmountTimeoutMs = 120000;

std::string AbsolutePath(const std::string &path, const std::string &what) {
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) RefuseWithErrno(path + ": " + what, errno);
    return resolved;
}

std::string ParentOf(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// libfuse splits its options at commas; a backslash keeps one in a value.
std::string EscapeOption(const std::string &value) {
    std::string escaped;
    for (char c : value) {
        if (c == ',' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

long NowMs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return long(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The container for the mount: the file itself (no link followed), a regular
// file, locked for the whole mount: shared by read-only mounts, exclusive for
// the one writer.
VaultFile OpenAndLockContainer(const std::string &path, bool readOnly) {
    VaultFile vault{-1, 0, path};
    vault.fd = open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_NOFOLLOW | O_CLOEXEC);
    if (vault.fd < 0 && errno == ELOOP) Refuse(path + ": a symbolic link; give the vault file itself");
    if (vault.fd < 0) RefuseWithErrno(path + ": cannot open the vault" + (readOnly ? "" : " for writing"), errno);
    struct stat info;
    if (fstat(vault.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        CloseVaultFile(&vault);
        Refuse(path + ": not a regular file; only a vault file is mounted");
    }
    if (flock(vault.fd, (readOnly ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        CloseVaultFile(&vault);
        Refuse(path + ": in use by another kovara-vault mount");
    }
    vault.bytes = uint64_t(info.st_size);
    return vault;
}

bool SameFile(int a, int b) {
    struct stat first, second;
    return fstat(a, &first) == 0 && fstat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// What the mount is doing, shared by its steps.
struct MountRun {
    std::string vaultPath, dir, imageDir, imagePath;
    bool imageOnly = false, readOnly = false, foreground = false;
    struct fuse *fuse = nullptr;
    VaultImage image;
    int statusFd = -1;  // to the waiting parent when in the background
    pid_t ntfsPid = 0;
    bool ntfsRunning = false;
    int ntfsOutput = -1;
    std::string ntfsText;  // what ntfs-3g said before the folder was ready
};

// Tells the waiting command (or the terminal) how the mount went: an empty
// message is success.
void Report(MountRun *run, const std::string &failure) {
    if (run->statusFd >= 0) {
        std::string message = failure.empty() ? "ok" : failure;
        ssize_t ignored = write(run->statusFd, message.data(), message.size());
        (void)ignored;
        close(run->statusFd);
        run->statusFd = -1;
    } else if (!failure.empty()) {
        fprintf(stderr, "kovara-vault: %s\n", failure.c_str());
    } else {
        printf("mounted %s at %s%s\n", run->vaultPath.c_str(), run->dir.c_str(), run->readOnly ? " (read-only)" : "");
        fflush(stdout);
    }
}

pid_t StartNtfs3g(MountRun *run) {
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) return -1;
    std::string options = "no_detach,windows_names,big_writes,umask=077,uid=" + std::to_string(getuid()) +
                          ",gid=" + std::to_string(getgid());
    if (run->readOnly) options += ",ro";
    pid_t child = fork();
    if (child == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        dup2(output[1], 1);
        dup2(output[1], 2);
        execlp("ntfs-3g", "ntfs-3g", run->imagePath.c_str(), run->dir.c_str(), "-o", options.c_str(),
               (char *)nullptr);
        dprintf(2, "ntfs-3g not found (Debian package ntfs-3g)\n");
        _exit(127);
    }
    close(output[1]);
    if (child < 0) {
        close(output[0]);
        return -1;
    }
    run->ntfsOutput = output[0];
    fcntl(run->ntfsOutput, F_SETFL, O_NONBLOCK);
    run->ntfsRunning = true;
    return child;
}

void DrainNtfsOutput(MountRun *run, bool ready) {
    char buffer[4096];
    for (;;) {
        ssize_t n = read(run->ntfsOutput, buffer, sizeof buffer);
        if (n > 0) {
            // Once the folder is ready, ntfs-3g's messages go where ours go.
            if (ready && run->foreground) fwrite(buffer, 1, size_t(n), stderr);
            else if (!ready && run->ntfsText.size() < 65536) run->ntfsText.append(buffer, size_t(n));
            continue;
        }
        if (n == 0) {
            close(run->ntfsOutput);
            run->ntfsOutput = -1;
        }
        return;
    }
}

std::string LastLine(std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    size_t newline = text.rfind('\n');
    return newline == std::string::npos ? text : text.substr(newline + 1);
}

bool FolderReady(const MountRun &run) {
    std::vector<MountEntry> table = ReadMountTable();
    const MountEntry *mounted = MountAt(table, run.dir);
    if (!mounted) return false;
    return run.imageOnly ? mounted->fsType == kImageFsType : mounted->source == run.imagePath;
}

// Serves the image until it is unmounted: ntfs-3g gone (by our unmount, a
// plain fusermount3 -u DIR or a signal) comes first, the image after it, so
// that every write ntfs-3g makes on the way out reaches the container.
int Supervise(MountRun *run) {
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGCHLD, SIGUSR1}) sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);

    std::thread loop([run] {
        struct fuse_loop_config config = {0, kImageThreads};
        fuse_loop_mt(run->fuse, &config);
        kill(getpid(), SIGUSR1);  // the image is unmounted
    });

    std::string failure;
    bool ready = false, loopEnded = false, imageDetached = false;
    if (!run->imageOnly) {
        run->ntfsPid = StartNtfs3g(run);
        if (run->ntfsPid < 0) failure = "cannot start ntfs-3g";
    }
    const long deadline = NowMs() + kReadyTimeoutMs;
    while (!loopEnded) {
        if (!ready && failure.empty()) {
            if (FolderReady(*run)) {
                ready = true;
                Report(run, "");
            } else if (!run->imageOnly && !run->ntfsRunning) {
                failure = "ntfs-3g did not mount the volume: " + LastLine(run->ntfsText);
            } else if (NowMs() > deadline) {
                failure = run->dir + ": not ready after " + std::to_string(kReadyTimeoutMs / 1000) + " s";
                if (run->ntfsRunning) kill(run->ntfsPid, SIGTERM);
            }
            if (!failure.empty()) {
                DrainNtfsOutput(run, false);
                Report(run, failure);
            }
        }
        // The image goes once nothing is mounted on it any more.
        bool imageDone = run->imageOnly ? !failure.empty() : !run->ntfsRunning;
        if (imageDone && !imageDetached) {
            std::string message;
            if (!DetachFuseMount(run->imageOnly ? run->dir : run->imageDir, false, &message))
                DetachFuseMount(run->imageOnly ? run->dir : run->imageDir, true, &message);
            imageDetached = true;
        }

        struct pollfd waits[2] = {{signalFd, POLLIN, 0}, {run->ntfsOutput, POLLIN, 0}};
        poll(waits, run->ntfsOutput >= 0 ? 2 : 1, ready || !failure.empty() ? -1 : 20);
        if (run->ntfsOutput >= 0 && (waits[1].revents & (POLLIN | POLLHUP))) DrainNtfsOutput(run, ready);
        if (!(waits[0].revents & POLLIN)) continue;
        struct signalfd_siginfo info;
        if (read(signalFd, &info, sizeof info) != ssize_t(sizeof info)) continue;
        if (info.ssi_signo == SIGUSR1) {
            loopEnded = true;
        } else if (info.ssi_signo == SIGCHLD) {
            int status;
            for (pid_t pid; (pid = waitpid(-1, &status, WNOHANG)) > 0;)
                if (pid == run->ntfsPid) run->ntfsRunning = false;
        } else {
            // SIGINT, SIGTERM, SIGHUP: unmount as "kovara-vault unmount" does,
            // lazily so that a busy folder does not keep the process alive.
            std::string message;
            if (run->ntfsRunning) DetachFuseMount(run->dir, true, &message);
            else if (run->imageOnly) DetachFuseMount(run->dir, true, &message);
        }
    }
    loop.join();
    if (run->ntfsOutput >= 0) close(run->ntfsOutput);
    close(signalFd);
    return failure.empty() ? 0 : 1;
}

void BecomeDaemon(MountRun *run) {
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0) RefuseWithErrno("cannot start the mount", errno);
    fflush(stdout);
    fflush(stderr);
    pid_t child = fork();
    if (child < 0) RefuseWithErrno("cannot start the mount", errno);
    if (child > 0) {
        // The command waits for the mount's word and ends with it.
        close(channel[1]);
        std::string message = ReadToEnd(channel[0]);
        EndVaultImage(&run->image);
        int status = 0;
        if (message == "ok") {
            printf("mounted %s at %s%s\n", run->vaultPath.c_str(), run->dir.c_str(),
                   run->readOnly ? " (read-only)" : "");
        } else {
            fprintf(stderr, "kovara-vault: %s\n",
                    message.empty() ? "the mount ended before it was ready" : message.c_str());
            status = 1;
        }
        fflush(stdout);
        _exit(status);
    }
    close(channel[0]);
    run->statusFd = channel[1];
    setsid();
    if (chdir("/") != 0) {
    }
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    dup2(devnull, 2);
    if (devnull > 2) close(devnull);
}

}  // namespace

int MountCommand(const Options &options) {
    MountRun run;
    run.readOnly = options.readOnly;
    run.imageOnly = options.imageOnly;
    run.foreground = options.foreground;
    run.dir = AbsolutePath(options.mountDir, "no such folder");
    struct stat folder;
    if (stat(run.dir.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) Refuse(run.dir + ": not a folder");
    VaultFile container = OpenAndLockContainer(options.vaultPath, options.readOnly);
    run.vaultPath = AbsolutePath(options.vaultPath, "cannot resolve the vault path");

    VaultProof proof;
    try {
        ProveVault(options, &proof);
        if (!SameFile(container.fd, proof.vault.fd)) Refuse(options.vaultPath + ": the file changed while it was checked");
        for (const std::string &line : proof.proved) printf("%s\n", line.c_str());
        // The user's own tools on --image-only see each write refused or done at once.
        StartVaultImage(container, options.readOnly, !options.imageOnly, proof.vaultKey, &run.image);
    } catch (...) {
        ReleaseProof(&proof);
        CloseVaultFile(&container);
        throw;
    }
    ReleaseProof(&proof);

    if (run.imageOnly) {
        run.imageDir = run.dir;
    } else {
        const char *runtime = getenv("XDG_RUNTIME_DIR");
        std::string pattern = std::string(runtime && runtime[0] ? runtime : "/tmp") + "/kovara-vault-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data())) {  // mode 0700: no one else reaches the image
            EndVaultImage(&run.image);
            CloseVaultFile(&container);
            RefuseWithErrno("cannot make a private folder for the image", errno);
        }
        run.imageDir = name.data();
    }
    run.imagePath = run.imageDir + "/volume";

    std::string fuseOptions = "fsname=" + EscapeOption(run.vaultPath) + ",subtype=kovara-vault,default_permissions";
    if (run.readOnly) fuseOptions += ",ro";
    const char *argv[] = {"kovara-vault", "-o", fuseOptions.c_str()};
    struct fuse_args args = FUSE_ARGS_INIT(3, const_cast<char **>(argv));
    run.fuse = fuse_new(&args, VaultImageOperations(), sizeof(struct fuse_operations), &run.image);
    if (!run.fuse || fuse_mount(run.fuse, run.imageDir.c_str()) != 0) {
        if (run.fuse) fuse_destroy(run.fuse);
        if (!run.imageOnly) rmdir(run.imageDir.c_str());
        EndVaultImage(&run.image);
        CloseVaultFile(&container);
        Refuse("cannot serve the decrypted volume with FUSE at " + run.imageDir + " (is /dev/fuse there?)");
    }

    if (!run.foreground) BecomeDaemon(&run);
    int status = Supervise(&run);

    // ntfs-3g and the image are gone: make the container durable, then let go.
    if (!run.readOnly && fsync(container.fd) != 0) {
        fprintf(stderr, "kovara-vault: %s: fsync failed: %s\n", run.vaultPath.c_str(), strerror(errno));
        status = 1;
    }
    fuse_unmount(run.fuse);
    fuse_destroy(run.fuse);
    EndVaultImage(&run.image);
    CloseVaultFile(&container);
    if (!run.imageOnly) rmdir(run.imageDir.c_str());
    if (run.foreground && status == 0) printf("unmounted %s\n", run.dir.c_str());
    return status;
}

int UnmountCommand(const Options &options) {
    const std::string dir = AbsolutePath(options.mountDir, "no such folder");
    std::vector<MountEntry> table = ReadMountTable();
    const MountEntry *mounted = MountAt(table, dir);
    if (!mounted) Refuse(dir + ": nothing is mounted there");
    std::string vault, imageDir;
    if (mounted->fsType == kImageFsType) {
        vault = mounted->source;
    } else {
        const MountEntry *image = MountAt(table, ParentOf(mounted->source));
        if (mounted->fsType != "fuse" || !image || image->fsType != kImageFsType ||
            mounted->source != image->target + "/volume")
            Refuse(dir + ": not mounted by kovara-vault");
        vault = image->source;
        imageDir = image->target;
    }

    std::string message;
    if (!DetachFuseMount(dir, false, &message)) Refuse(dir + ": cannot unmount: " + message);

    // The mount finishes on its own: the image goes, the container is synced
    // and its lock dropped. A mount that was killed left a dead image behind,
    // which is taken down here.
    const long deadline = NowMs() + kUnmountTimeoutMs;
    for (;;) {
        bool imageGone = true;
        if (!imageDir.empty()) {
            struct stat info;
            std::vector<MountEntry> now = ReadMountTable();
            const MountEntry *image = MountAt(now, imageDir);
            if (image && image->fsType == kImageFsType) {
                imageGone = false;
                if (stat(imageDir.c_str(), &info) != 0 && errno == ENOTCONN) {
                    DetachFuseMount(imageDir, true, &message);
                    rmdir(imageDir.c_str());
                }
            }
        }
        bool unlocked = false;
        int fd = open(vault.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            unlocked = flock(fd, LOCK_EX | LOCK_NB) == 0;
            close(fd);
        }
        if (imageGone && unlocked) break;
        if (NowMs() > deadline)
            Refuse(dir + ": unmounted, but the mount of " + vault + " did not finish within " +
                   std::to_string(kUnmountTimeoutMs / 1000) + " s");
        poll(nullptr, 0, 20);
    }
    printf("unmounted %s (vault %s)\n", dir.c_str(), vault.c_str());
    return 0;
}
