// Reading the key object's value from a library whose second answer claims a
// length other than the one it reported first: the value is refused as
// unreadable, and nothing is read or cleared past the buffer that was handed
// over.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "token/core/token_key_object.h"

namespace {

// One object whose value length changes between the two reads.
struct OddObject {
    CK_ULONG firstLength;   // answered when asked for the length
    CK_ULONG secondLength;  // claimed after the value was copied
} g_odd;

CK_RV CK_CALL FindInit(CK_SESSION_HANDLE, CK_ATTRIBUTE *, CK_ULONG) { return CKR_OK; }
CK_RV CK_CALL Find(CK_SESSION_HANDLE, CK_OBJECT_HANDLE *objects, CK_ULONG, CK_ULONG *found) {
    objects[0] = 7;
    *found = 1;
    return CKR_OK;
}
CK_RV CK_CALL FindFinal(CK_SESSION_HANDLE) { return CKR_OK; }
CK_RV CK_CALL GetAttribute(CK_SESSION_HANDLE, CK_OBJECT_HANDLE, CK_ATTRIBUTE *a, CK_ULONG) {
    if (!a->pValue) {
        a->ulValueLen = g_odd.firstLength;
        return CKR_OK;
    }
    // Copies what fits into the room it was given, then misreports.
    std::vector<unsigned char> value(a->ulValueLen, 'A');
    if (value.size() >= 3) memcpy(value.data(), "900", 3);
    memcpy(a->pValue, value.data(), value.size());
    a->ulValueLen = g_odd.secondLength;
    return CKR_OK;
}

class AttributeLength : public ::testing::Test {
protected:
    CK_FUNCTION_LIST list_;
    TokenBinding binding_;

    void SetUp() override {
        memset(&list_, 0, sizeof list_);
        list_.C_FindObjectsInit = FindInit;
        list_.C_FindObjects = Find;
        list_.C_FindObjectsFinal = FindFinal;
        list_.C_GetAttributeValue = GetAttribute;
        memset(&binding_, 0, sizeof binding_);
        binding_.functions = &list_;
        binding_.session = 1;
    }
};

TEST_F(AttributeLength, ALengthBeyondTheBufferIsAFailedRead) {
    unsigned char out[kTokenKeySize];
    CK_OBJECT_HANDLE handle = 0;
    size_t length = 0;
    // Room for 10 bytes, then a claim of a whole token key: not taken for one.
    g_odd = {10, kTokenKeySize};
    EXPECT_EQ(kTokenValueFailed, ReadTokenKeyValue(&binding_, kTokenKeySize, out));
    EXPECT_EQ(kTokenValueFailed, FindExistingTokenKey(&binding_, &handle, &length));
    // A claim larger than the buffer.
    g_odd = {kTokenKeySize, 5000};
    EXPECT_EQ(kTokenValueFailed, ReadTokenKeyValue(&binding_, kTokenKeySize, out));
    EXPECT_EQ(kTokenValueFailed, FindExistingTokenKey(&binding_, &handle, &length));
    // The length the library gave back is not available at all.
    g_odd = {kTokenKeySize, CK_UNAVAILABLE_INFORMATION};
    EXPECT_EQ(kTokenValueFailed, ReadTokenKeyValue(&binding_, kTokenKeySize, out));
}

TEST_F(AttributeLength, AShorterSecondAnswerIsTheValueLength) {
    unsigned char out[kTokenKeySize];
    CK_OBJECT_HANDLE handle = 0;
    size_t length = 0;
    g_odd = {kTokenKeySize, 100};
    EXPECT_EQ(kTokenKeyNotOk, ReadTokenKeyValue(&binding_, kTokenKeySize, out));
    ASSERT_EQ(kTokenOk, FindExistingTokenKey(&binding_, &handle, &length));
    EXPECT_EQ(100u, length);
    EXPECT_EQ(7u, handle);
    g_odd = {kTokenKeySize, kTokenKeySize};
    EXPECT_EQ(kTokenOk, ReadTokenKeyValue(&binding_, kTokenKeySize, out));
    EXPECT_EQ(0, memcmp(out, "900", 3));
}

}  // namespace
