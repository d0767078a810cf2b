// Passwords and PINs: read from a file or an open descriptor when the command
// line names one, otherwise asked on the terminal without echo, or read as one
// line from standard input when there is no terminal. The secret lives in one
// fixed buffer that is locked in memory and wiped when it goes.
#pragma once
#include <stddef.h>

#include <string>

#include "command_line.h"

enum { kSecretRoom = 256 };  // 255 characters and the terminating zero

struct Secret {
    char text[kSecretRoom];  // zero-terminated
    size_t length;

    Secret();
    ~Secret();
    Secret(const Secret &) = delete;
    Secret &operator=(const Secret &) = delete;
};

// prompt is shown on the terminal only; what names the secret in refusals
// ("password", "token PIN"). Refuses when nothing can be read, or more than
// fits the buffer.
void ReadSecret(const SecretSource &source, const std::string &prompt, const std::string &what, Secret *secret);

// Keeps key material out of swap where the system allows (failures are
// ignored: the secret is still wiped). The pages stay locked until the end.
void LockInMemory(const void *buffer, size_t length);

// Makes the process not dumpable: no core file, and no other process of the
// same user may attach to it or read its memory.
void StopDumps();
