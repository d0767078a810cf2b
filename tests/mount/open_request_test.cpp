#include "mount/core/open_request.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> KeyArea(unsigned char seed) {
    std::vector<unsigned char> area(KOVDEV_REQ_HEAD_SIZE, 0);
    unsigned char key[32];
    for (int i = 0; i < 32; ++i) key[i] = (unsigned char)(seed + i);
    EXPECT_EQ(1, OpenRequestAddKey(area.data(), key, sizeof key));
    return area;
}

std::string NameOf(const char *path) {
    std::vector<char> out(ContainerNameLength(path) + 1, 'x');
    size_t length = ContainerName(path, out.data(), out.size());
    EXPECT_EQ(ContainerNameLength(path), length);
    EXPECT_EQ('\0', out[length]);
    return std::string(out.data(), length);
}

TEST(ContainerName, EachPathFormHasItsKernelForm) {
    EXPECT_EQ("\\??\\UNC\\server\\share\\v.udf", NameOf("\\\\server\\share\\v.udf"));
    EXPECT_EQ("\\??\\C:\\x\\v.udf", NameOf("\\??\\C:\\x\\v.udf"));
    EXPECT_EQ("\\Device\\Harddisk0\\v.udf", NameOf("\\Device\\Harddisk0\\v.udf"));
    EXPECT_EQ("\\??\\C:\\Program Files\\Kovara\\Vault\\anna.udf", NameOf("C:\\Program Files\\Kovara\\Vault\\anna.udf"));
}

TEST(ContainerName, RefusesTooSmallOutputWithoutWriting) {
    char out[8];
    memset(out, 'z', sizeof out);
    EXPECT_EQ(0u, ContainerName("C:\\a.udf", out, sizeof out));  // needs 12 bytes
    for (char c : out) EXPECT_EQ('z', c);
    char exact[13];
    EXPECT_EQ(12u, ContainerName("C:\\a.udf", exact, sizeof exact));
}

TEST(OpenRequestAddKey, FillsFieldsAndNextSlot) {
    std::vector<unsigned char> area(KOVDEV_REQ_HEAD_SIZE, 0);
    unsigned char first[32], second[32];
    memset(first, 0xA1, sizeof first);
    memset(second, 0xB2, sizeof second);
    ASSERT_EQ(1, OpenRequestAddKey(area.data(), first, 32));
    ASSERT_EQ(1, OpenRequestAddKey(area.data(), second, 32));
    EXPECT_EQ(2, area[18]);
    EXPECT_EQ(0, area[19]);
    EXPECT_EQ(2, area[20]);  // key count
    EXPECT_EQ(32, area[22]);
    EXPECT_EQ(0, memcmp(area.data() + 26, first, 32));
    EXPECT_EQ(0, memcmp(area.data() + 58, second, 32));
    for (size_t i = 90; i < area.size(); ++i) ASSERT_EQ(0, area[i]) << i;
}

TEST(OpenRequestAddKey, RefusesWrongLengthAndFullSlots) {
    std::vector<unsigned char> area(KOVDEV_REQ_HEAD_SIZE, 0);
    unsigned char key[32] = {1};
    EXPECT_EQ(0, OpenRequestAddKey(area.data(), key, 16));
    EXPECT_EQ(0, area[20]);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(1, OpenRequestAddKey(area.data(), key, 32));
    EXPECT_EQ(0, OpenRequestAddKey(area.data(), key, 32));
    EXPECT_EQ(64, area[20]);
    EXPECT_EQ(0, area[2074]);  // the last slot ends where the letter begins
}

// Every byte of a request for a local path, checked against its layout.
TEST(FillOpenRequest, LocalPathByteByByte) {
    const char *path = "C:\\Vault\\anna.udf";  // 17 characters
    std::vector<unsigned char> area = KeyArea(0x40);
    size_t allocation = OpenRequestAllocationSize(path);
    EXPECT_EQ(2080u + 17 + 7, allocation);
    std::vector<unsigned char> request(allocation, 0xEE);

    size_t sent = FillOpenRequest(request.data(), request.size(), area.data(), path, 'f', 20);
    const std::string name = "\\??\\C:\\Vault\\anna.udf";
    ASSERT_EQ(2079u + name.size(), sent);

    std::vector<unsigned char> expected(allocation, 0);
    expected[0] = 1;
    // 20 MB = 0x01400000 bytes
    expected[8] = 0x00;
    expected[9] = 0x00;
    expected[10] = 0x40;
    expected[11] = 0x01;
    expected[18] = 2;
    expected[20] = 1;
    expected[22] = 32;
    expected[24] = (unsigned char)name.size();
    for (int i = 0; i < 32; ++i) expected[26 + i] = (unsigned char)(0x40 + i);
    expected[2074] = 'F';
    memcpy(expected.data() + 2075, name.data(), name.size());
    for (size_t i = 0; i < allocation; ++i) ASSERT_EQ(expected[i], request[i]) << "offset " << i;
}

TEST(FillOpenRequest, NetworkAndRootedPathsAndLargeSize) {
    struct Case {
        const char *path;
        const char *name;
    } cases[] = {
        {"\\\\srv\\vaults\\b.udf", "\\??\\UNC\\srv\\vaults\\b.udf"},
        {"\\??\\D:\\b.udf", "\\??\\D:\\b.udf"},
    };
    for (const Case &c : cases) {
        std::vector<unsigned char> area = KeyArea(1);
        std::vector<unsigned char> request(OpenRequestAllocationSize(c.path));
        size_t sent = FillOpenRequest(request.data(), request.size(), area.data(), c.path, 'Z', 5000);
        size_t nameLength = strlen(c.name);
        ASSERT_EQ(2079u + nameLength, sent) << c.path;
        EXPECT_EQ(nameLength, size_t(request[24] | request[25] << 8));
        EXPECT_EQ(0, memcmp(request.data() + 2075, c.name, nameLength + 1));
        // 5000 MB needs more than 32 bits: 0x1_3880_0000.
        const unsigned char size[8] = {0x00, 0x00, 0x80, 0x38, 0x01, 0, 0, 0};
        EXPECT_EQ(0, memcmp(request.data() + 8, size, 8));
        EXPECT_EQ('Z', request[2074]);
        // The sent length covers the terminator; everything after the name is zero.
        for (size_t i = 2075 + nameLength; i < request.size(); ++i) ASSERT_EQ(0, request[i]) << i;
        EXPECT_LE(sent, request.size());
    }
}

TEST(FillOpenRequest, RefusesABufferShorterThanTheSentLength) {
    const char *path = "\\\\h\\s\\v.udf";  // the longest name form
    std::vector<unsigned char> area = KeyArea(2);
    size_t need = 2079 + ContainerNameLength(path);
    std::vector<unsigned char> request(need - 1, 0xEE);
    EXPECT_EQ(0u, FillOpenRequest(request.data(), request.size(), area.data(), path, 'E', 5));
    EXPECT_EQ(0xEE, request[0]);
    request.resize(need);
    EXPECT_EQ(need, FillOpenRequest(request.data(), request.size(), area.data(), path, 'E', 5));
}

TEST(FillOpenRequest, KeyAreaFieldsOtherThanTheFixedOnesAreKept) {
    std::vector<unsigned char> area = KeyArea(9);
    area[0] = 7;     // overwritten with the fixed 1
    area[2074] = 0;  // overwritten with the letter
    std::vector<unsigned char> request(OpenRequestAllocationSize("C:\\v.udf"));
    ASSERT_NE(0u, FillOpenRequest(request.data(), request.size(), area.data(), "C:\\v.udf", 'D', 6));
    EXPECT_EQ(1, request[0]);
    EXPECT_EQ(0, memcmp(request.data() + 18, area.data() + 18, 6));     // algorithm, count, length
    EXPECT_EQ(0, memcmp(request.data() + 26, area.data() + 26, 2048));  // key slots
}

}  // namespace
