#include "token/token_key_object.h"

#include <stdlib.h>
#include <string.h>

#include "crypto/secure_wipe.h"

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

TokenOutcome ReadTokenKeyValue(TokenBinding *b, size_t expected, unsigned char *out) {
    CK_ATTRIBUTE label;
    LabelTemplate(&label);
    if (b->functions->C_FindObjectsInit(b->session, &label, 1) != CKR_OK) return kTokenFindInitFailed;
    CK_OBJECT_HANDLE handles[2] = {0, 0};
    CK_ULONG found = 0;
    if (b->functions->C_FindObjects(b->session, handles, 2, &found) != CKR_OK) {
        b->functions->C_FindObjectsFinal(b->session);
        return kTokenFindFailed;
    }
    if (b->functions->C_FindObjectsFinal(b->session) != CKR_OK) {
        if (found == 0) return kTokenNoKeyObject;
        return kTokenFindFinalFailed;
    }
    if (found == 0) return kTokenNoKeyObject;
    unsigned char *value = nullptr;
    size_t length = 0;
    TokenOutcome outcome = ReadValue(b, handles[0], &value, &length);
    if (outcome != kTokenOk) return outcome;
    outcome = CheckTokenKeyValue(value, length, expected);
    if (outcome == kTokenOk) memcpy(out, value, expected);
    SecureWipe(value, length);
    free(value);
    return outcome;
}

TokenOutcome CreateTokenKeyObject(TokenBinding *b, const unsigned char record[kTokenRecordSize]) {
    unsigned char value[kTokenKeySize];
    BuildTokenKeyValue(record, value);
    CK_OBJECT_CLASS dataClass = CKO_DATA;
    CK_BBOOL yes = CK_TRUE;
    CK_ATTRIBUTE attributes[5] = {
        {CKA_CLASS, &dataClass, sizeof dataClass}, {CKA_LABEL, (void *)kTokenKeyLabel, sizeof kTokenKeyLabel},
        {CKA_VALUE, value, sizeof value},          {CKA_TOKEN, &yes, sizeof yes},
        {CKA_PRIVATE, &yes, sizeof yes},
    };
    CK_OBJECT_HANDLE handle = 0;
    CK_RV rv = b->functions->C_CreateObject(b->session, attributes, 5, &handle);
    SecureWipe(value, sizeof value);
    if (rv == CKR_OK) return kTokenOk;
    return rv == CKR_DEVICE_MEMORY ? kTokenDeviceMemory : kTokenCreateFailed;
}

TokenOutcome FindExistingTokenKey(TokenBinding *b, CK_OBJECT_HANDLE *handle, size_t *valueLength) {
    CK_ATTRIBUTE label;
    LabelTemplate(&label);
    if (b->functions->C_FindObjectsInit(b->session, &label, 1) != CKR_OK) return kTokenFindInitFailed;
    CK_OBJECT_HANDLE handles[2] = {0, 0};
    CK_ULONG found = 0;
    CK_RV rv = b->functions->C_FindObjects(b->session, handles, 2, &found);
    b->functions->C_FindObjectsFinal(b->session);
    if (rv != CKR_OK) return kTokenFindFailed;
    if (found == 0) return kTokenNoKeyObject;
    unsigned char *value = nullptr;
    size_t length = 0;
    TokenOutcome outcome = ReadValue(b, handles[0], &value, &length);
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
