// Reading the 852-byte user information record from one of its homes: a whole
// backup, the two parts of a split backup, or the key object on a token.
// Nothing here writes; a token is opened with a read-only session.
#pragma once
#include <string>

#include "command_line.h"
#include "keys/user_info_record.h"

// Reads exactly `size` bytes from a file that must be that long. `what` names
// the kind of file in the refusal, e.g. "a user information backup".
void ReadSizedFile(const std::string &path, unsigned size, const char *what, unsigned char *bytes);

// Whole backup: the record as it is.
void ReadWholeBackup(const std::string &path, unsigned char record[kUserInfoSize]);
// Split backup: the two 426-byte parts, each read whole.
void ReadSplitParts(const std::string &part1Path, const std::string &part2Path, unsigned char part1[kUserInfoPartSize],
                    unsigned char part2[kUserInfoPartSize]);
// The token's key object, read through the PKCS#11 library after logging in
// with the PIN (asked when not given). description receives the token's name.
void ReadTokenRecord(const KeySourceOptions &source, unsigned char record[kUserInfoSize], std::string *description);
