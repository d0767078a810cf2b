// Replacing the token key without losing it: the new key object is created
// before the old one is destroyed, in one session; the old one is kept in
// memory and stored back when the token had to make room first.
#pragma once
#include <windows.h>
#include <stddef.h>

// Reads the record of the token's key object quietly into record852. 1 when
// the token holds a readable Kovara key, 0 when it holds none (or another
// object), -1 when no session could be opened (after its message). The token
// key buffer is zero-filled on every path.
int ReadTokenRecordQuietly(HWND owner, const char *password, unsigned char *record852);

// Asks before a key object whose value has valueLength bytes is deleted for
// a new one: twice for a user key (the length alone decides), once for any
// other object with the label. 1 when the user agreed.
int AgreeToReplaceTokenKey(HWND owner, size_t valueLength, unsigned long expectedLength);

// What the caller says when the new record could not be stored: unchanged
// when the token holds what it held before, lost when an old key could not be
// stored back (its record is then offered for saving as a key backup).
struct TokenKeyTexts {
    const char *unchanged;
    const char *lost;
};

// Replaces every key object on the token (up to two) by one holding
// newRecord, in one session: the new object is created, then the old ones
// are destroyed by their handles. When the token has no room for the new one,
// the old ones are destroyed first and stored back if the new one still
// cannot be stored. With ask set, the deletion questions come first. 1 when
// newRecord is on the token; 0 after the messages.
int ReplaceTokenKey(HWND owner, const char *password, const unsigned char *newRecord, int ask,
                    const TokenKeyTexts &texts);
