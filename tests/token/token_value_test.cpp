// The 900-byte token key value: its layout and the check that accepts it.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "token/core/token_key_object.h"

TEST(TokenKeyValue, CarriesLengthDigitsRecordAndFiller) {
    unsigned char record[kTokenRecordSize];
    for (int i = 0; i < kTokenRecordSize; i++) record[i] = (unsigned char)(i * 31 + 5);
    unsigned char value[kTokenKeySize + 1];
    value[kTokenKeySize] = 0x5A;  // guard byte past the end
    BuildTokenKeyValue(record, value);
    EXPECT_EQ(0, memcmp(value, "900", 3));
    EXPECT_EQ(0, memcmp(value + 3, record, kTokenRecordSize));
    for (int i = 3 + kTokenRecordSize; i < kTokenKeySize; i++) ASSERT_EQ('A', value[i]);
    EXPECT_EQ(0x5A, value[kTokenKeySize]);
    EXPECT_EQ(kTokenOk, CheckTokenKeyValue(value, kTokenKeySize, kTokenKeySize));
    EXPECT_EQ(45, kTokenKeyFillerSize);
}

TEST(TokenKeyValue, LengthIsCheckedBeforeThePrefix) {
    std::vector<unsigned char> value(kTokenKeySize + 1, 'A');
    memcpy(value.data(), "900", 3);
    EXPECT_EQ(kTokenKeyNotOk, CheckTokenKeyValue(value.data(), kTokenKeySize + 1, kTokenKeySize));
    EXPECT_EQ(kTokenKeyNotOk, CheckTokenKeyValue(value.data(), kTokenKeySize - 1, kTokenKeySize));
    EXPECT_EQ(kTokenKeyNotOk, CheckTokenKeyValue(value.data(), 0, kTokenKeySize));
}

TEST(TokenKeyValue, ValuesShorterThanThePrefixAreRefusedUnread) {
    // Too short to hold three digits, whatever length the caller expects:
    // nothing at or past the end may be read.
    EXPECT_EQ(kTokenKeyNotOk, CheckTokenKeyValue(nullptr, 0, 0));
    std::vector<unsigned char> one(1, '1');
    EXPECT_EQ(kTokenKeyNotOk, CheckTokenKeyValue(one.data(), 1, 1));
    std::vector<unsigned char> two = {'0', '2'};
    EXPECT_EQ(kTokenKeyNotOk, CheckTokenKeyValue(two.data(), 2, 2));
}

TEST(TokenKeyValue, PrefixIsExactlyThreeDecimalDigits) {
    std::vector<unsigned char> value(kTokenKeySize, 'A');
    const char *refused[] = {"901", "090", "123", " 90", "90 ", "+90", "9A0", "99A"};
    for (const char *prefix : refused) {
        memcpy(value.data(), prefix, 3);
        EXPECT_EQ(kTokenNotKovaraKey, CheckTokenKeyValue(value.data(), kTokenKeySize, kTokenKeySize)) << prefix;
    }
    // Digits after the first three do not extend the number: "9000..." is "900".
    memcpy(value.data(), "9000", 4);
    EXPECT_EQ(kTokenOk, CheckTokenKeyValue(value.data(), kTokenKeySize, kTokenKeySize));
    // A zero byte in the prefix is not read as an end of text.
    value[0] = '9';
    value[1] = 0;
    value[2] = 0;
    EXPECT_EQ(kTokenNotKovaraKey, CheckTokenKeyValue(value.data(), kTokenKeySize, kTokenKeySize));
}
