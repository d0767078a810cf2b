// The vault driver's check of an open request against what the vault manager
// builds: every request the builder makes passes, and spoilt ones do not.
#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "mount/core/open_request.h"
#include "request_check.h"

namespace {

std::vector<unsigned char> Build(const std::string &path, char letter, uint32_t sizeMb, size_t *sent) {
    std::vector<unsigned char> keyArea(KOVDEV_REQ_HEAD_SIZE, 0);
    unsigned char key[32];
    for (int i = 0; i < 32; ++i) key[i] = (unsigned char)(i * 5 + 1);
    EXPECT_EQ(1, OpenRequestAddKey(keyArea.data(), key, 32));
    std::vector<unsigned char> request(OpenRequestAllocationSize(path.c_str()));
    *sent = FillOpenRequest(request.data(), request.size(), keyArea.data(), path.c_str(), letter, sizeMb);
    return request;
}

TEST(RequestCheck, AcceptsWhatTheBuilderMakesAndNothingShorter) {
    const std::string paths[] = {"C:\\Vault\\a.udf", "\\\\server\\share\\b.udf", "\\??\\D:\\c.udf", "E:\\x"};
    for (const std::string &path : paths) {
        for (char letter : {'D', 'z'}) {
            size_t sent = 0;
            std::vector<unsigned char> request = Build(path, letter, 5, &sent);
            ASSERT_NE(0u, sent);
            EXPECT_EQ((int)ContainerNameLength(path.c_str()), KovdevCheckOpenRequest(request.data(), sent)) << path;
            EXPECT_EQ(-1, KovdevCheckOpenRequest(request.data(), sent - 1)) << path;
            EXPECT_EQ(-1, KovdevCheckOpenRequest(request.data(), KOVDEV_REQ_SENT_BASE - 1)) << path;
        }
    }
}

TEST(RequestCheck, SizesThatTurnNegativeAsSigned64BitAreRefused) {
    size_t sent = 0;
    std::vector<unsigned char> request = Build("C:\\Vault\\huge.udf", 'H', 5, &sent);
    const int nameLength = (int)ContainerNameLength("C:\\Vault\\huge.udf");
    const uint64_t largest = 0x8000000000000000ull - KOVDEV_SECTOR_SIZE;
    StoreLe64(request.data() + KOVDEV_REQ_SIZE_OFFSET, largest);
    EXPECT_EQ(nameLength, KovdevCheckOpenRequest(request.data(), sent));
    for (uint64_t bytes : {uint64_t(largest + KOVDEV_SECTOR_SIZE), uint64_t(0xFFFFFFFFFFFFFE00ull)}) {
        StoreLe64(request.data() + KOVDEV_REQ_SIZE_OFFSET, bytes);
        EXPECT_EQ(-1, KovdevCheckOpenRequest(request.data(), sent)) << bytes;
    }
}

TEST(RequestCheck, NameLengthLimit) {
    size_t sent = 0;
    std::string longest = "\\" + std::string(KOVDEV_MAX_NAME_LENGTH - 1, 'n');  // sent unchanged
    std::vector<unsigned char> request = Build(longest, 'F', 5, &sent);
    EXPECT_EQ((int)KOVDEV_MAX_NAME_LENGTH, KovdevCheckOpenRequest(request.data(), sent));
    request = Build(longest + "n", 'F', 5, &sent);
    EXPECT_EQ(-1, KovdevCheckOpenRequest(request.data(), sent));
}

// Key bytes and padding never matter; any byte of the checked fields may.
// Random spoiling must never read outside what was sent (run under ASan).
TEST(RequestCheck, RandomBytesOutsideTheFieldsDoNotMatterAndNothingCrashes) {
    size_t sent = 0;
    const std::vector<unsigned char> good = Build("C:\\Vault\\random.udf", 'K', 7, &sent);
    const int nameLength = (int)ContainerNameLength("C:\\Vault\\random.udf");
    std::mt19937 random(20261208);
    for (int round = 0; round < 2000; ++round) {
        // Exactly the sent bytes, so that ASan sees any read beyond them.
        std::vector<unsigned char> request(good.begin(), good.begin() + sent);
        size_t at = random() % (KOVDEV_REQ_KEY_SLOTS * KOVDEV_REQ_KEY_SLOT_SIZE);
        request[KOVDEV_REQ_KEYS_OFFSET + at] = (unsigned char)random();
        EXPECT_EQ(nameLength, KovdevCheckOpenRequest(request.data(), request.size()));

        size_t anywhere = random() % request.size();
        request[anywhere] = (unsigned char)random();
        size_t length = random() % (request.size() + 1);
        int result = KovdevCheckOpenRequest(request.data(), length);
        EXPECT_TRUE(result == -1 || result == (int)LoadLe16(request.data() + KOVDEV_REQ_NAME_LENGTH_OFFSET));
    }
}

}  // namespace
