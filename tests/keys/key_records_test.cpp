#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "crypto/core/derive_key.h"
#include "keys/core/recovery_record.h"
#include "keys/core/user_info_record.h"
#include "keys/core/vault_info_record.h"
#include "openssl_reference.h"

using reference::Bytes;

namespace {

Bytes Pattern(size_t length, unsigned seed) {
    Bytes out(length);
    unsigned x = seed * 2654435761u + 1;
    for (auto &b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 16);
    }
    return out;
}

Bytes PasswordKey(const std::string &password, const unsigned char *salt) {
    unsigned char derived[256];
    DeriveKey(reinterpret_cast<const unsigned char *>(password.data()), static_cast<int>(password.size()), salt, 20,
              1000, derived, 256);
    return Bytes(derived, derived + 32);
}

struct UserFixture {
    Bytes salt = Pattern(20, 1);
    Bytes keyBlock = Pattern(256, 2);
    unsigned char record[kUserInfoSize];
    void Build(const char *password, const char *path) {
        ASSERT_EQ(1, BuildUserInfo(salt.data(), keyBlock.data(), password, path, record));
    }
};

}  // namespace

TEST(UserInfoRecord, LayoutMatchesAnIndependentSealing) {
    UserFixture user;
    user.Build("Secret pw", "C:\\Program Files\\Kovara\\Vault\\Kovara_Ann.udf");

    Bytes identity(576, 0);
    const char lower[] = "c:\\program files\\kovara\\vault\\kovara_ann.udf";
    memcpy(identity.data(), lower, strlen(lower));
    Bytes sealedIdentity = reference::BlowfishCodebook(user.keyBlock.data(), identity, true);
    Bytes passwordKey = PasswordKey("Secret pw", user.salt.data());
    Bytes sealedKeyBlock = reference::BlowfishCodebook(passwordKey.data(), user.keyBlock, true);

    EXPECT_EQ(user.salt, Bytes(user.record, user.record + 20));
    EXPECT_EQ(sealedIdentity, Bytes(user.record + 20, user.record + 596));
    EXPECT_EQ(sealedKeyBlock, Bytes(user.record + 596, user.record + 852));
}

TEST(UserInfoRecord, RightPasswordOpensKeyBlockAndPassesIdentity) {
    UserFixture user;
    user.Build("pw", "D:\\v.udf");
    unsigned char opened[256];
    OpenUserKeyBlock(user.record, "pw", opened);
    EXPECT_EQ(user.keyBlock, Bytes(opened, opened + 256));
    EXPECT_EQ(1, UserInfoAcceptsPassword(user.record, "pw", "D:\\v.udf"));

    OpenUserKeyBlock(user.record, "pW", opened);
    EXPECT_NE(user.keyBlock, Bytes(opened, opened + 256));
    EXPECT_EQ(0, UserInfoAcceptsPassword(user.record, "pW", "D:\\v.udf"));
    EXPECT_EQ(0, UserInfoAcceptsPassword(user.record, "", "D:\\v.udf"));
}

TEST(UserInfoRecord, IdentityFollowsPathButIgnoresAsciiLetterCase) {
    UserFixture user;
    user.Build("pw", "C:\\Kovara\\Vault\\Kovara_Bob.udf");
    EXPECT_EQ(1, UserInfoAcceptsPassword(user.record, "pw", "c:\\KOVARA\\vault\\kovara_bob.UDF"));
    EXPECT_EQ(0, UserInfoAcceptsPassword(user.record, "pw", "C:\\Kovara\\Vault\\Kovara_Bob2.udf"));
    EXPECT_EQ(0, UserInfoAcceptsPassword(user.record, "pw", "C:\\Kovara\\Vault\\Kovara_Bo.udf"));
    EXPECT_EQ(0, UserInfoAcceptsPassword(user.record, "pw", "E:\\Kovara\\Vault\\Kovara_Bob.udf"));

    // Only A-Z are folded: other bytes must match exactly.
    UserFixture accented;
    accented.Build("pw", "C:\\V\\\xC4.udf");
    EXPECT_EQ(1, UserInfoAcceptsPassword(accented.record, "pw", "c:\\v\\\xC4.UDF"));
    EXPECT_EQ(0, UserInfoAcceptsPassword(accented.record, "pw", "c:\\v\\\xE4.udf"));
}

TEST(UserInfoRecord, IdentityWithoutTerminatorInsideTheBlockIsRefused) {
    // An identity block that opens to 576 letters and no NUL: the comparison
    // must stay inside the block and refuse it, even for a 575-letter path.
    UserFixture user;
    Bytes letters(576, 'a');
    Bytes sealed = reference::BlowfishCodebook(user.keyBlock.data(), letters, true);
    user.Build("pw", "x");
    memcpy(user.record + kIdentityOffset, sealed.data(), 576);
    std::string longest(575, 'a');
    EXPECT_EQ(0, IdentityNamesPath(user.record, user.keyBlock.data(), longest.c_str()));
    EXPECT_EQ(0, UserInfoAcceptsPassword(user.record, "pw", longest.c_str()));
}

TEST(UserInfoRecord, PathThatCannotBeTerminatedIsRefused) {
    UserFixture user;
    std::string fits(575, 'p'), tooLong(576, 'p');
    unsigned char identity[576];
    EXPECT_EQ(1, MakeIdentityText(fits.c_str(), identity));
    EXPECT_EQ(0, identity[575]);
    EXPECT_EQ(0, MakeIdentityText(tooLong.c_str(), identity));
    EXPECT_EQ(0, BuildUserInfo(user.salt.data(), user.keyBlock.data(), "pw", tooLong.c_str(), user.record));
    user.Build("pw", fits.c_str());
    EXPECT_EQ(1, UserInfoAcceptsPassword(user.record, "pw", fits.c_str()));
    EXPECT_EQ(0, UserInfoAcceptsPassword(user.record, "pw", tooLong.c_str()));
}

TEST(UserInfoRecord, TwoUsersWithOnePasswordDiffer) {
    UserFixture ann, bob;
    bob.salt = Pattern(20, 7);
    bob.keyBlock = ann.keyBlock;  // even the same key block seals differently
    ann.Build("same password", "C:\\a.udf");
    bob.Build("same password", "C:\\a.udf");
    EXPECT_NE(PasswordKey("same password", ann.salt.data()), PasswordKey("same password", bob.salt.data()));
    EXPECT_NE(Bytes(ann.record + 596, ann.record + 852), Bytes(bob.record + 596, bob.record + 852));
    // The identity block depends only on the key block and the path.
    EXPECT_EQ(Bytes(ann.record + 20, ann.record + 596), Bytes(bob.record + 20, bob.record + 596));
}

TEST(UserInfoRecord, SplitHalvesJoinOnlyInTheirOrder) {
    UserFixture user;
    user.Build("pw", "C:\\v.udf");
    unsigned char part1[kUserInfoPartSize], part2[kUserInfoPartSize], joined[kUserInfoSize];
    SplitUserInfo(user.record, part1, part2);
    EXPECT_EQ(0, memcmp(part1, user.record, 426));
    EXPECT_EQ(0, memcmp(part2, user.record + 426, 426));

    JoinUserInfo(part1, part2, joined);
    EXPECT_EQ(0, memcmp(joined, user.record, 852));
    EXPECT_EQ(1, UserInfoAcceptsPassword(joined, "pw", "C:\\v.udf"));

    JoinUserInfo(part2, part1, joined);
    EXPECT_EQ(0, UserInfoAcceptsPassword(joined, "pw", "C:\\v.udf"));
}

TEST(UserInfoRecord, VaultKeyIsTruncatedSha512OfTheKeyBlock) {
    Bytes block = Pattern(256, 3);
    unsigned char key[32];
    ComputeVaultKey(block.data(), 256, key);
    EXPECT_EQ(reference::Sha512First32(block.data(), 256), Bytes(key, key + 32));
}

TEST(VaultInfoRecord, SealedFileOpensToDigestTextOfDecryptedSector) {
    Bytes keyBlock = Pattern(256, 4);
    Bytes sector = Pattern(512, 5);
    unsigned char file[kVaultInfoSize];
    ASSERT_EQ(1, SealVaultInfoRecord(sector.data(), keyBlock.data(), file));

    Bytes vaultKey = reference::Sha512First32(keyBlock.data(), 256);
    std::string text = reference::DigestText(reference::AesSector(vaultKey.data(), sector, false));
    Bytes expected(512, 0);
    memcpy(expected.data(), text.data(), text.size());
    EXPECT_EQ(expected, reference::AesSector(vaultKey.data(), Bytes(file, file + 512), false));

    EXPECT_EQ(kVaultInfoMatches, CompareVaultInfo(sector.data(), vaultKey.data(), file));
}

TEST(VaultInfoRecord, AnotherVaultOrAnotherKeyIsRefused) {
    Bytes keyBlock = Pattern(256, 4), otherBlock = Pattern(256, 6);
    Bytes sector = Pattern(512, 5), otherSector = Pattern(512, 8);
    unsigned char file[kVaultInfoSize], otherFile[kVaultInfoSize];
    ASSERT_EQ(1, SealVaultInfoRecord(sector.data(), keyBlock.data(), file));
    ASSERT_EQ(1, SealVaultInfoRecord(otherSector.data(), keyBlock.data(), otherFile));
    unsigned char vaultKey[32], otherKey[32];
    ComputeVaultKey(keyBlock.data(), 256, vaultKey);
    ComputeVaultKey(otherBlock.data(), 256, otherKey);

    EXPECT_EQ(kVaultInfoDiffers, CompareVaultInfo(sector.data(), vaultKey, otherFile));
    EXPECT_EQ(kVaultInfoDiffers, CompareVaultInfo(otherSector.data(), vaultKey, file));
    EXPECT_EQ(kVaultInfoDiffers, CompareVaultInfo(sector.data(), otherKey, file));
    sector[511] ^= 1;
    EXPECT_EQ(kVaultInfoDiffers, CompareVaultInfo(sector.data(), vaultKey, file));
}

namespace {

struct RecoveryFixture {
    Bytes salt = Pattern(20, 9);
    const char *answers[3] = {"Smith", "a secret", "12345"};
    unsigned char file[kRecoveryFileSize];
};

}  // namespace

TEST(RecoveryRecord, LayoutMatchesAnIndependentSealing) {
    RecoveryFixture f;
    ASSERT_EQ(1, SealRecoveryRecords(f.salt.data(), "my password", f.answers, f.file));
    EXPECT_EQ(f.salt, Bytes(f.file, f.file + 20));
    Bytes record(104, 0);
    memcpy(record.data(), "my password", 11);
    for (int k = 0; k < 3; ++k) {
        Bytes key = PasswordKey(f.answers[k], f.salt.data());
        EXPECT_EQ(reference::BlowfishCodebook(key.data(), record, true),
                  Bytes(f.file + 20 + 104 * k, f.file + 124 + 104 * k))
            << "record " << k + 1;
    }
}

TEST(RecoveryRecord, RecordsDifferAndEachAnswerOpensThePassword) {
    RecoveryFixture f;
    ASSERT_EQ(1, SealRecoveryRecords(f.salt.data(), "pw 1", f.answers, f.file));
    EXPECT_NE(0, memcmp(f.file + 20, f.file + 124, 104));
    EXPECT_NE(0, memcmp(f.file + 20, f.file + 228, 104));
    EXPECT_NE(0, memcmp(f.file + 124, f.file + 228, 104));
    for (int k = 0; k < 3; ++k) {
        unsigned char candidate[104];
        char password[101];
        OpenRecoveryRecord(f.file, k, f.answers[k], candidate);
        ASSERT_EQ(1, PasswordFromRecord(candidate, password, sizeof password));
        EXPECT_STREQ("pw 1", password);
    }
    char password[101];
    EXPECT_EQ(1, OpenRecoveryRecords(f.file, f.answers, password, sizeof password));
    EXPECT_STREQ("pw 1", password);
}

TEST(RecoveryRecord, OneWrongOrMiscasedAnswerRevealsNothing) {
    RecoveryFixture f;
    ASSERT_EQ(1, SealRecoveryRecords(f.salt.data(), "pw", f.answers, f.file));
    char password[101] = "untouched";
    for (int wrong = 0; wrong < 3; ++wrong) {
        const char *answers[3] = {f.answers[0], f.answers[1], f.answers[2]};
        answers[wrong] = wrong == 0 ? "smith" : "nope";
        EXPECT_EQ(0, OpenRecoveryRecords(f.file, answers, password, sizeof password)) << wrong;
    }
    EXPECT_STREQ("untouched", password);
}

TEST(RecoveryRecord, LongestAnswerAndPasswordFit) {
    RecoveryFixture f;
    std::string answer(100, 'q'), password(103, 'w');
    const char *answers[3] = {answer.c_str(), "b", "c"};
    ASSERT_EQ(1, SealRecoveryRecords(f.salt.data(), password.c_str(), answers, f.file));
    char out[104];
    EXPECT_EQ(1, OpenRecoveryRecords(f.file, answers, out, sizeof out));
    EXPECT_EQ(password, out);
    EXPECT_EQ(0, OpenRecoveryRecords(f.file, answers, out, 103)) << "output buffer too small";

    std::string tooLong(104, 'w');
    EXPECT_EQ(0, SealRecoveryRecords(f.salt.data(), tooLong.c_str(), answers, f.file));
}

TEST(RecoveryRecord, OpenedRecordWithoutTerminatorIsRefused) {
    unsigned char candidate[104];
    memset(candidate, 'z', sizeof candidate);
    char password[200] = "untouched";
    EXPECT_EQ(0, PasswordFromRecord(candidate, password, sizeof password));
    EXPECT_STREQ("untouched", password);
    candidate[103] = 0;
    EXPECT_EQ(1, PasswordFromRecord(candidate, password, sizeof password));
    EXPECT_EQ(std::string(103, 'z'), password);
}
