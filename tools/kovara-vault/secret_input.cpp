#include "secret_input.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include "crypto/core/secure_wipe.h"
#include "refusal.h"

namespace {

// The terminal as it was before the echo was turned off, put back by the
// handler when the user interrupts the prompt.
int gQuietTerminal = -1;
struct termios gEchoingTerminal;
const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreEchoAndStop(int signalNumber) {
    if (gQuietTerminal >= 0) tcsetattr(gQuietTerminal, TCSANOW, &gEchoingTerminal);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

enum LineOutcome { kLineRead, kLineEmpty, kLineTooLong, kLineError };

// Reads one line byte by byte (nothing after it is taken, so that a second
// secret can follow on the same input); the line ending is dropped.
LineOutcome ReadLine(int fd, Secret *secret) {
    secret->length = 0;
    bool any = false;
    for (;;) {
        char c;
        ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return kLineError;
        if (n == 0) break;  // the end of the input
        if (c == '\n') {
            any = true;
            break;
        }
        any = true;
        if (c == '\r') continue;
        if (secret->length + 1 >= sizeof secret->text) {
            SecureWipe(&c, 1);
            return kLineTooLong;
        }
        secret->text[secret->length++] = c;
        SecureWipe(&c, 1);
    }
    secret->text[secret->length] = 0;
    return any ? kLineRead : kLineEmpty;
}

void CheckLine(LineOutcome outcome, const std::string &what, const std::string &from, Secret *secret) {
    int error = errno;
    if (outcome == kLineRead) return;
    SecureWipe(secret->text, sizeof secret->text);
    secret->length = 0;
    if (outcome == kLineError) RefuseWithErrno("cannot read the " + what + " from " + from, error);
    if (outcome == kLineTooLong)
        Refuse("the " + what + " in " + from + " is longer than " + std::to_string(kSecretRoom - 1) + " characters");
    Refuse("no " + what + " given (" + from + " is empty)");
}

void AskOnTerminal(const std::string &prompt, const std::string &what, Secret *secret) {
    int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) Refuse("no " + what + " given and no terminal to ask on");
    struct sigaction restore, previous[sizeof kStopSignals / sizeof kStopSignals[0]];
    bool quiet = tcgetattr(tty, &gEchoingTerminal) == 0;
    if (quiet) {
        memset(&restore, 0, sizeof restore);
        restore.sa_handler = RestoreEchoAndStop;
        sigemptyset(&restore.sa_mask);
        for (size_t i = 0; i < sizeof kStopSignals / sizeof kStopSignals[0]; i++)
            sigaction(kStopSignals[i], &restore, &previous[i]);
        gQuietTerminal = tty;
        struct termios silent = gEchoingTerminal;
        silent.c_lflag &= ~tcflag_t(ECHO);
        silent.c_lflag |= ECHONL;
        tcsetattr(tty, TCSAFLUSH, &silent);
    }
    if (write(tty, prompt.data(), prompt.size()) < 0) {
        // Asking still works without the prompt.
    }
    LineOutcome outcome = ReadLine(tty, secret);
    int error = errno;
    if (quiet) {
        tcsetattr(tty, TCSAFLUSH, &gEchoingTerminal);
        gQuietTerminal = -1;
        for (size_t i = 0; i < sizeof kStopSignals / sizeof kStopSignals[0]; i++)
            sigaction(kStopSignals[i], &previous[i], nullptr);
    }
    close(tty);
    errno = error;
    if (outcome == kLineEmpty) Refuse("no " + what + " given");
    CheckLine(outcome, what, "the terminal", secret);
}

}  // namespace

Secret::Secret() : length(0) {
    memset(text, 0, sizeof text);
    LockInMemory(text, sizeof text);
}

Secret::~Secret() { SecureWipe(text, sizeof text); }

void ReadSecret(const SecretSource &source, const std::string &prompt, const std::string &what, Secret *secret) {
    if (!source.file.empty()) {
        int fd = open(source.file.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) RefuseWithErrno(source.file + ": cannot open the " + what + " file", errno);
        LineOutcome outcome = ReadLine(fd, secret);
        int error = errno;
        close(fd);
        errno = error;
        CheckLine(outcome, what, source.file, secret);
    } else if (source.fd >= 0) {
        CheckLine(ReadLine(source.fd, secret), what, "descriptor " + std::to_string(source.fd), secret);
    } else if (!isatty(STDIN_FILENO)) {
        CheckLine(ReadLine(STDIN_FILENO, secret), what, "standard input", secret);
    } else {
        AskOnTerminal(prompt, what, secret);
    }
}

void LockInMemory(const void *buffer, size_t length) {
    if (mlock(buffer, length) != 0) {
        // Not allowed here (a memory-lock limit): the secret is still wiped.
    }
}

void StopDumps() { prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }
