// The token key object: a private data object labelled "Kovara AES" whose
// 900-byte value is "900", the 852-byte user information record and 45 "A".
#pragma once
#include <stddef.h>

#include "token/core/token_binding.h"

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
// The values of the key objects found (up to two) that pass the check, in the
// order found: two are left by a replacement cut off between creating the new
// object and destroying the old one. kTokenOk with *count 1 or 2; otherwise
// what ReadTokenKeyValue answers for the first object.
TokenOutcome ReadTokenKeyValues(TokenBinding *binding, unsigned char values[2][kTokenKeySize], int *count);
// Creates the key object from the record with the 5-attribute template; its
// handle goes to *handle when given.
TokenOutcome CreateTokenKeyObject(TokenBinding *binding, const unsigned char record[kTokenRecordSize],
                                  CK_OBJECT_HANDLE *handle = nullptr);
// The same template with any value: puts back an object exactly as it was read.
TokenOutcome CreateTokenObjectWithValue(TokenBinding *binding, const unsigned char *value, size_t length,
                                        CK_OBJECT_HANDLE *handle);

// Looks for a key object before replacing or deleting it: kTokenNoKeyObject
// when the search finds nothing; kTokenFindInitFailed or kTokenFindFailed when
// the search fails (nothing is known then, so nothing may be stored); kTokenOk
// with the first handle and the length of its value (which was read) otherwise.
TokenOutcome FindExistingTokenKey(TokenBinding *binding, CK_OBJECT_HANDLE *handle, size_t *valueLength);
// Up to two handles of the objects with the label: kTokenOk with *count 1 or
// 2, kTokenNoKeyObject, kTokenFindInitFailed or kTokenFindFailed.
TokenOutcome FindTokenKeyObjects(TokenBinding *binding, CK_OBJECT_HANDLE handles[2], int *count);
// The object's whole CKA_VALUE in a new malloc'ed buffer, which the caller
// wipes and frees.
TokenOutcome ReadTokenObjectValue(TokenBinding *binding, CK_OBJECT_HANDLE handle, unsigned char **value,
                                  size_t *length);
TokenOutcome DestroyTokenKeyObject(TokenBinding *binding, CK_OBJECT_HANDLE handle);
