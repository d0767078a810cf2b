#include "secret_input.h"

#include <fcntl.h>
#include <stdio.h>
#include <termios.h>
#include <unistd.h>

#include "crypto/secure_wipe.h"
#include "refusal.h"

namespace {

// Reads up to the end of the line; the line ending is dropped.
bool ReadLine(int fd, std::string &line) {
    char c;
    bool any = false;
    for (;;) {
        ssize_t n = read(fd, &c, 1);
        if (n <= 0) return any;
        any = true;
        if (c == '\n') return true;
        if (c != '\r') line.push_back(c);
    }
}

}  // namespace

void WipeString(std::string &secret) {
    if (!secret.empty()) SecureWipe(&secret[0], secret.size());
    secret.clear();
}

std::string AskSecret(const std::string &prompt, const std::string &what) {
    std::string secret;
    secret.reserve(128);  // keeps the secret in one buffer while it grows
    if (!isatty(STDIN_FILENO)) {
        if (!ReadLine(STDIN_FILENO, secret)) Refuse("no " + what + " given (none on standard input)");
        return secret;
    }
    int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) Refuse("no " + what + " given and no terminal to ask on");
    struct termios saved, quiet;
    bool restore = tcgetattr(tty, &saved) == 0;
    if (restore) {
        quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    if (write(tty, prompt.data(), prompt.size()) < 0) {
        // Asking still works without the prompt.
    }
    bool got = ReadLine(tty, secret);
    if (restore) tcsetattr(tty, TCSAFLUSH, &saved);
    close(tty);
    if (!got) Refuse("no " + what + " given");
    return secret;
}
