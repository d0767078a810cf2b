// The user information record as it comes from a backup file or the token:
// the whole 852 bytes or the two 426-byte halves of a split backup, opened
// with a password, checked against a vault path, and the vault key taken from
// the opened key block. A second mode seals a chosen identity text under a
// chosen key block, so that the identity check reads arbitrary opened text
// (with or without a terminator) and its answer can be predicted.
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzz_input.h"
#include "keys/core/user_info_record.h"

namespace {

void CheckChosenIdentity(FuzzedDataProvider &in, const std::string &vaultPath) {
    std::vector<unsigned char> keyBlock = Take(in, kUserKeyBlockSize);
    std::vector<unsigned char> identity = Take(in, kIdentitySize);
    unsigned char record[kUserInfoSize] = {0};
    std::vector<unsigned char> sealed = identity;
    BlowfishSeal(keyBlock.data(), sealed.data(), kIdentitySize);
    memcpy(record + kIdentityOffset, sealed.data(), kIdentitySize);

    unsigned char expected[kIdentitySize];
    bool fits = MakeIdentityText(vaultPath.c_str(), expected) == 1;
    const unsigned char *end = static_cast<const unsigned char *>(memchr(identity.data(), 0, kIdentitySize));
    bool same = fits && end != nullptr &&
                size_t(end - identity.data()) == strlen(reinterpret_cast<const char *>(expected)) &&
                memcmp(identity.data(), expected, size_t(end - identity.data())) == 0;
    if (IdentityNamesPath(record, keyBlock.data(), vaultPath.c_str()) != (same ? 1 : 0)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int mode = in.ConsumeIntegralInRange<int>(0, 2);
    const std::string password = in.ConsumeRandomLengthString(128);
    const std::string vaultPath = in.ConsumeRandomLengthString(kIdentitySize + 64);
    if (mode == 2) {
        CheckChosenIdentity(in, vaultPath);
        return 0;
    }

    unsigned char record[kUserInfoSize];
    if (mode == 0) {
        memcpy(record, Take(in, kUserInfoSize).data(), kUserInfoSize);
    } else {
        std::vector<unsigned char> part1 = Take(in, kUserInfoPartSize), part2 = Take(in, kUserInfoPartSize);
        JoinUserInfo(part1.data(), part2.data(), record);
        unsigned char again1[kUserInfoPartSize], again2[kUserInfoPartSize];
        SplitUserInfo(record, again1, again2);
        if (memcmp(again1, part1.data(), kUserInfoPartSize) || memcmp(again2, part2.data(), kUserInfoPartSize))
            abort();
    }
    unsigned char keyBlock[kUserKeyBlockSize];
    OpenUserKeyBlock(record, password.c_str(), keyBlock);
    if (IdentityNamesPath(record, keyBlock, vaultPath.c_str())) {
        unsigned char vaultKey[32];
        ComputeVaultKey(keyBlock, kUserKeyBlockSize, vaultKey);
    }
    return 0;
}
