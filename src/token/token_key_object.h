// The token key object: a private data object labelled "Kovara AES" whose
// 900-byte value is "900", the 852-byte user information record and 45 "A".
#pragma once
#include <stddef.h>

#include "token/token_binding.h"

enum {
    kTokenRecordSize = 852,
    kTokenKeySize = 900,
    kTokenKeyFillerSize = kTokenKeySize - 3 - kTokenRecordSize,
};

extern const char kTokenKeyLabel[];  // "Kovara AES"

void BuildTokenKeyValue(const unsigned char record[kTokenRecordSize], unsigned char value[kTokenKeySize]);
// kTokenOk, kTokenKeyNotOk (wrong length, or shorter than the three-digit
// prefix) or kTokenNotKovaraKey (the first three bytes are not the decimal
// digits of the expected length).
TokenOutcome CheckTokenKeyValue(const unsigned char *value, size_t length, size_t expected);

// Finds the key objects by label and reads the first one's value into value
// (expected bytes). Leaves the session open.
TokenOutcome ReadTokenKeyValue(TokenBinding *binding, size_t expected, unsigned char *value);
// Creates the key object from the record with the 5-attribute template.
TokenOutcome CreateTokenKeyObject(TokenBinding *binding, const unsigned char record[kTokenRecordSize]);

// Looks for a key object before replacing or deleting it: kTokenNoKeyObject
// when the search finds nothing; kTokenFindInitFailed or kTokenFindFailed when
// the search fails (nothing is known then, so nothing may be stored); kTokenOk
// with the first handle and the length of its value (which was read) otherwise.
TokenOutcome FindExistingTokenKey(TokenBinding *binding, CK_OBJECT_HANDLE *handle, size_t *valueLength);
TokenOutcome DestroyTokenKeyObject(TokenBinding *binding, CK_OBJECT_HANDLE handle);
