#include "refusal.h"

#include <string.h>

void Refuse(const std::string &message) { throw Refusal{message, kExitRefused}; }

void RefuseUsage(const std::string &message) { throw Refusal{message, kExitUsage}; }

void RefuseWithErrno(const std::string &message, int error) {
    throw Refusal{message + ": " + strerror(error), kExitRefused};
}
