// Reading the 852-byte user information record from one of its homes: a whole
// backup, the two parts of a split backup, or the key object on a token.
// Nothing here writes; a token is opened with a read-only session.
#pragma once
#include <string>

#include "command_line.h"
#include "keys/core/user_info_record.h"

// Reads exactly `size` bytes from a file that must be that long. `what` names
// the kind of file in the refusal, e.g. "a user information backup".
void ReadSizedFile(const std::string &path, unsigned size, const char *what, unsigned char *bytes);

// Whole backup: the record as it is.
void ReadWholeBackup(const std::string &path, unsigned char record[kUserInfoSize]);
// Split backup: the two 426-byte parts, each read whole.
void ReadSplitParts(const std::string &part1Path, const std::string &part2Path, unsigned char part1[kUserInfoPartSize],
                    unsigned char part2[kUserInfoPartSize]);
enum { kMaxTokenKeyObjects = 4 };

// The records of the token's key objects, in the order the token lists them;
// wiped when they go.
struct TokenRecords {
    unsigned char records[kMaxTokenKeyObjects][kUserInfoSize];
    int count;

    TokenRecords();
    ~TokenRecords();
    TokenRecords(const TokenRecords &) = delete;
    TokenRecords &operator=(const TokenRecords &) = delete;
};

// The token's key objects, read through the PKCS#11 library after logging in
// with the PIN (read or asked as the options say). description receives the
// token's name. Refuses when no object holds a Kovara key.
void ReadTokenRecords(const KeySourceOptions &source, TokenRecords *records, std::string *description);
