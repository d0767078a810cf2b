#include "token/core/token_key_object.h"

#include <stdlib.h>
#include <string.h>

#include "crypto/core/secure_wipe.h"

const char kTokenKeyLabel[] = "Kovara AES";

static void LabelTemplate(CK_ATTRIBUTE *attribute) {
    attribute->type = CKA_LABEL;
    attribute->pValue = (void *)kTokenKeyLabel;
    attribute->ulValueLen = sizeof kTokenKeyLabel;  // the zero byte belongs to the label
}

void BuildTokenKeyValue(const unsigned char record[kTokenRecordSize], unsigned char value[kTokenKeySize]) {
    memcpy(value, "900", 3);
    memcpy(value + 3, record, kTokenRecordSize);
    memset(value + 3 + kTokenRecordSize, 'A', kTokenKeyFillerSize);
}

TokenOutcome CheckTokenKeyValue(const unsigned char *value, size_t length, size_t expected) {
    if (length != expected || length < 3) return kTokenKeyNotOk;
    // Exactly three bytes are read: the value carries no terminator after them.
    size_t number = 0;
    for (int i = 0; i < 3; i++) {
        if (value[i] < '0' || value[i] > '9') return kTokenNotKovaraKey;
        number = number * 10 + (size_t)(value[i] - '0');
    }
    return number == expected ? kTokenOk : kTokenNotKovaraKey;
}

// The two-call read of CKA_VALUE: its length, then the value into a fresh buffer.
static TokenOutcome ReadValue(TokenBinding *b, CK_OBJECT_HANDLE handle, unsigned char **value, size_t *length) {
    CK_ATTRIBUTE attribute = {CKA_VALUE, nullptr, 0};
    if (b->functions->C_GetAttributeValue(b->session, handle, &attribute, 1) != CKR_OK ||
        attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION)
        return kTokenSizeFailed;
    CK_ULONG room = attribute.ulValueLen;
    *value = (unsigned char *)malloc(room ? room : 1);
    if (!*value) return kTokenValueNoMemory;
    attribute.pValue = *value;
    // A length beyond the room given is no value this buffer holds: taking it
    // would read and clear past the allocation.
    if (b->functions->C_GetAttributeValue(b->session, handle, &attribute, 1) != CKR_OK || attribute.ulValueLen > room) {
        SecureWipe(*value, room);
        free(*value);
        *value = nullptr;
        return kTokenValueFailed;
    }
    *length = attribute.ulValueLen;
    return kTokenOk;
}

// Up to two handles of objects with the label. finalMatters: a failed
// C_FindObjectsFinal counts when something was found.
static TokenOutcome FindByLabel(TokenBinding *b, CK_OBJECT_HANDLE handles[2], CK_ULONG *found, int finalMatters) {
    CK_ATTRIBUTE label;
    LabelTemplate(&label);
    if (b->functions->C_FindObjectsInit(b->session, &label, 1) != CKR_OK) return kTokenFindInitFailed;
    handles[0] = handles[1] = 0;
    *found = 0;
    CK_RV rv = b->functions->C_FindObjects(b->session, handles, 2, found);
    CK_RV final = b->functions->C_FindObjectsFinal(b->session);
    if (rv != CKR_OK) return kTokenFindFailed;
    if (*found > 2) *found = 2;
    if (*found == 0) return kTokenNoKeyObject;
    if (finalMatters && final != CKR_OK) return kTokenFindFinalFailed;
    return kTokenOk;
}

// Reads one object's value and checks it as a token key value of expected bytes.
static TokenOutcome ReadCheckedValue(TokenBinding *b, CK_OBJECT_HANDLE handle, size_t expected, unsigned char *out) {
    unsigned char *value = nullptr;
    size_t length = 0;
    TokenOutcome outcome = ReadValue(b, handle, &value, &length);
    if (outcome != kTokenOk) return outcome;
    outcome = CheckTokenKeyValue(value, length, expected);
    if (outcome == kTokenOk) memcpy(out, value, expected);
    SecureWipe(value, length);
    free(value);
    return outcome;
}

TokenOutcome ReadTokenKeyValue(TokenBinding *b, size_t expected, unsigned char *out) {
    CK_OBJECT_HANDLE handles[2];
    CK_ULONG found = 0;
    TokenOutcome outcome = FindByLabel(b, handles, &found, 1);
    if (outcome != kTokenOk) return outcome;
    return ReadCheckedValue(b, handles[0], expected, out);
}

TokenOutcome ReadTokenKeyValues(TokenBinding *b, unsigned char values[2][kTokenKeySize], int *count) {
    *count = 0;
    CK_OBJECT_HANDLE handles[2];
    CK_ULONG found = 0;
    TokenOutcome outcome = FindByLabel(b, handles, &found, 1);
    if (outcome != kTokenOk) return outcome;
    TokenOutcome first = kTokenOk;
    for (CK_ULONG i = 0; i < found; i++) {
        TokenOutcome read = ReadCheckedValue(b, handles[i], kTokenKeySize, values[*count]);
        if (read == kTokenOk) ++*count;
        if (i == 0) first = read;
    }
    return *count ? kTokenOk : first;
}

TokenOutcome FindTokenKeyObjects(TokenBinding *b, CK_OBJECT_HANDLE handles[2], int *count) {
    CK_ULONG found = 0;
    TokenOutcome outcome = FindByLabel(b, handles, &found, 0);
    *count = (int)found;
    return outcome;
}

TokenOutcome ReadTokenObjectValue(TokenBinding *b, CK_OBJECT_HANDLE handle, unsigned char **value, size_t *length) {
    return ReadValue(b, handle, value, length);
}

TokenOutcome CreateTokenObjectWithValue(TokenBinding *b, const unsigned char *value, size_t length,
                                        CK_OBJECT_HANDLE *handle) {
    CK_OBJECT_CLASS dataClass = CKO_DATA;
    CK_BBOOL yes = CK_TRUE;
    CK_ATTRIBUTE attributes[5] = {
        {CKA_CLASS, &dataClass, sizeof dataClass}, {CKA_LABEL, (void *)kTokenKeyLabel, sizeof kTokenKeyLabel},
        {CKA_VALUE, (void *)value, (CK_ULONG)length}, {CKA_TOKEN, &yes, sizeof yes},
        {CKA_PRIVATE, &yes, sizeof yes},
    };
    CK_OBJECT_HANDLE created = 0;
    CK_RV rv = b->functions->C_CreateObject(b->session, attributes, 5, &created);
    if (rv == CKR_OK) {
        if (handle) *handle = created;
        return kTokenOk;
    }
    return rv == CKR_DEVICE_MEMORY ? kTokenDeviceMemory : kTokenCreateFailed;
}

TokenOutcome CreateTokenKeyObject(TokenBinding *b, const unsigned char record[kTokenRecordSize],
                                  CK_OBJECT_HANDLE *handle) {
    unsigned char value[kTokenKeySize];
    BuildTokenKeyValue(record, value);
    TokenOutcome outcome = CreateTokenObjectWithValue(b, value, sizeof value, handle);
    SecureWipe(value, sizeof value);
    return outcome;
}

TokenOutcome FindExistingTokenKey(TokenBinding *b, CK_OBJECT_HANDLE *handle, size_t *valueLength) {
    CK_OBJECT_HANDLE handles[2];
    CK_ULONG found = 0;
    TokenOutcome outcome = FindByLabel(b, handles, &found, 0);
    if (outcome != kTokenOk) return outcome;
    unsigned char *value = nullptr;
    size_t length = 0;
    outcome = ReadValue(b, handles[0], &value, &length);
    if (outcome != kTokenOk) return outcome;
    SecureWipe(value, length);
    free(value);
    *handle = handles[0];
    *valueLength = length;
    return kTokenOk;
}

TokenOutcome DestroyTokenKeyObject(TokenBinding *b, CK_OBJECT_HANDLE handle) {
    return b->functions->C_DestroyObject(b->session, handle) == CKR_OK ? kTokenOk : kTokenDestroyFailed;
}
