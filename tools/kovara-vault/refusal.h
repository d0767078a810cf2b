// A refusal ends the command with one line on standard error and a non-zero
// exit status; the texts are built where the reason is known.
#pragma once
#include <string>

enum { kExitRefused = 1, kExitUsage = 2 };

struct Refusal {
    std::string message;
    int status;
};

[[noreturn]] void Refuse(const std::string &message);
[[noreturn]] void RefuseUsage(const std::string &message);
// The refusal with the system's text for errno appended after ": ".
[[noreturn]] void RefuseWithErrno(const std::string &message, int error);
