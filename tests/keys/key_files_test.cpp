// The key files read from backups, the vault information check with its
// messages, and the writing of the vault information and recovery files.
#include <gtest/gtest.h>
#include <string.h>

#include "key_fixture.h"
#include "keys/files/key_files.h"
#include "keys/core/recovery_record.h"
#include "keys/core/user_info_record.h"
#include "robot.h"
#include "outcome_boxes.h"
#include "told.h"

namespace {

class BackupTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    TestUser ann{"Ann", "ann's password", folder.File("Kovara_Ann.udf"), 11};
    BackupChoice backup = {};

    void SetUp() override {
        strcpy(backup.vaultPath, ann.vaultPath.c_str());
        MakeVaultFile(ann.vaultPath, ann.vaultKey, 5 * 1048576);
    }
    void UseWhole(const Bytes &record) {
        backup.split = 0;
        strcpy(backup.userInfoPath, folder.File("KovdevTokenKey.user").c_str());
        WriteBytes(backup.userInfoPath, record);
    }
    void UseSplit(const Bytes &part1, const Bytes &part2) {
        backup.split = 1;
        strcpy(backup.userInfoPath, folder.File("KeyPart1_Ann.kovdev").c_str());
        strcpy(backup.userInfoPart2Path, folder.File("KeyPart2_Ann.kovdev").c_str());
        WriteBytes(backup.userInfoPath, part1);
        WriteBytes(backup.userInfoPart2Path, part2);
    }
    void UseVaultInfo(const Bytes &info) {
        strcpy(backup.vaultInfoPath, folder.File("Ann.vault").c_str());
        WriteBytes(backup.vaultInfoPath, info);
    }
    Bytes Part(int n) const { return Bytes(ann.record.begin() + (n - 1) * 426, ann.record.begin() + n * 426); }
};

// One box with caption "Kovara" and the warning icon; returns its text.
std::string OnlyWarning(robot::Answerer &answerer) {
    answerer.Finish();
    auto boxes = answerer.Boxes();
    if (boxes.size() != 1) return "<" + std::to_string(boxes.size()) + " boxes>";
    EXPECT_EQ("Kovara", boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), boxes[0].icon);
    return boxes[0].text;
}

}  // namespace

TEST_F(BackupTest, WholeBackupProvesOnlyTheRightPassword) {
    UseWhole(ann.record);
    robot::Answerer answerer;
    EXPECT_EQ(1, ToldIdentity(NULL, CheckUserIdentity(NULL, "ann's password", ann.vaultPath.c_str(), "0000000000", &backup)));
    EXPECT_EQ(0, ToldIdentity(NULL, CheckUserIdentity(NULL, "Ann's password", ann.vaultPath.c_str(), "0000000000", &backup)));
    EXPECT_EQ(0, ToldIdentity(NULL, CheckUserIdentity(NULL, "ann's password", folder.File("other.udf").c_str(), "0000000000",
                                              &backup)));
    answerer.Finish();
    EXPECT_TRUE(answerer.Boxes().empty());
}

TEST_F(BackupTest, WholeBackupOfAnyOtherSizeIsCorrupt) {
    for (int delta : {-1, 1}) {
        Bytes record = ann.record;
        record.resize(852 + delta, 0);
        UseWhole(record);
        robot::Answerer answerer;
        answerer.Answer(IDOK);
        EXPECT_EQ(0,
                  ToldIdentity(NULL, CheckUserIdentity(NULL, "ann's password", ann.vaultPath.c_str(), "0000000000", &backup)));
        EXPECT_EQ("The selected Backup of User Information File is corrupt! ", OnlyWarning(answerer)) << delta;
    }
}

TEST_F(BackupTest, MissingWholeBackupIsNotAccessibleWithSystemText) {
    UseWhole(ann.record);
    DeleteFileA(backup.userInfoPath);
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    unsigned char record[852];
    EXPECT_EQ(0, Told(NULL, ReadUserInfo(NULL, &backup, "", record)));
    EXPECT_EQ("The selected Backup of User Information File is not accessible." + SystemReported(ERROR_FILE_NOT_FOUND),
              OnlyWarning(answerer));
}

TEST_F(BackupTest, SplitBackupJoinsPartOneThenPartTwo) {
    UseSplit(Part(1), Part(2));
    robot::Answerer answerer;
    unsigned char record[852];
    ASSERT_EQ(1, Told(NULL, ReadUserInfo(NULL, &backup, "", record)));
    EXPECT_EQ(ann.record, Bytes(record, record + 852));
    EXPECT_EQ(1, ToldIdentity(NULL, CheckUserIdentity(NULL, "ann's password", ann.vaultPath.c_str(), "0000000000", &backup)));

    UseSplit(Part(2), Part(1));
    EXPECT_EQ(0, ToldIdentity(NULL, CheckUserIdentity(NULL, "ann's password", ann.vaultPath.c_str(), "0000000000", &backup)));
    answerer.Finish();
    EXPECT_TRUE(answerer.Boxes().empty());
}

TEST_F(BackupTest, SplitPartsOfWrongSizeOrMissingNameTheirPart) {
    struct Case {
        Bytes part1, part2;
        bool deletePart2;
        std::string text;
    } cases[] = {
        {Bytes(425, 1), Part(2), false, "The selected Backup of User Information File [Part 1] is corrupt! "},
        {Bytes(427, 1), Part(2), false, "The selected Backup of User Information File [Part 1] is corrupt! "},
        {Part(1), Bytes(425, 1), false, "The selected Backup of User Information File [Part 2] is corrupt! "},
        {Part(1), Bytes(427, 1), false, "The selected Backup of User Information File [Part 2] is corrupt! "},
        {Part(1), Part(2), true,
         "The selected Backup of User Information File [Part 2] is not accessible." +
             SystemReported(ERROR_FILE_NOT_FOUND)},
    };
    for (const Case &c : cases) {
        UseSplit(c.part1, c.part2);
        if (c.deletePart2) DeleteFileA(backup.userInfoPart2Path);
        robot::Answerer answerer;
        answerer.Answer(IDOK);
        unsigned char record[852];
        EXPECT_EQ(0, Told(NULL, ReadUserInfo(NULL, &backup, "", record)));
        EXPECT_EQ(c.text, OnlyWarning(answerer));
    }
}

TEST_F(BackupTest, VaultInfoBackupMatchesOnlyItsVault) {
    UseWhole(ann.record);
    UseVaultInfo(VaultInfoFor(ann.vaultPath, ann.keyBlock));
    {
        robot::Answerer answerer;
        EXPECT_EQ(
            1, Told(NULL, CheckVaultInfo(NULL, "ann's password", ann.vaultPath.c_str(), "Ann", "0000000000", &backup)));
        answerer.Finish();
        EXPECT_TRUE(answerer.Boxes().empty());
    }
    // Sealed for another vault under the same key: the check text differs.
    std::string other = folder.File("other.udf");
    MakeVaultFile(other, Pattern(32, 99), 5 * 1048576);
    UseVaultInfo(VaultInfoFor(other, ann.keyBlock));
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    EXPECT_EQ(0,
              Told(NULL, CheckVaultInfo(NULL, "ann's password", ann.vaultPath.c_str(), "Ann", "0000000000", &backup)));
    EXPECT_EQ("Either Username or Password is incorrect.", OnlyWarning(answerer));
}

TEST_F(BackupTest, VaultInfoBackupMessages) {
    UseWhole(ann.record);
    const std::string checkInfo = "\nEnsure you have selected the correct Vault Information File.";
    const std::string checkVault = "\nEnsure you have selected the correct Vault File Name.";
    const std::string sizeText =
        "The selected vault information file either does not contain data or its size is incorrect." + checkInfo;
    Bytes info = VaultInfoFor(ann.vaultPath, ann.keyBlock);

    auto expectRefusal = [&](const std::string &text) {
        robot::Answerer answerer;
        answerer.Answer(IDOK);
        EXPECT_EQ(
            0, Told(NULL, CheckVaultInfo(NULL, "ann's password", ann.vaultPath.c_str(), "Ann", "0000000000", &backup)));
        EXPECT_EQ(text, OnlyWarning(answerer));
    };
    Bytes longer = info, shorter = info;
    longer.push_back(0);
    shorter.pop_back();
    UseVaultInfo(longer);
    expectRefusal(sizeText);
    UseVaultInfo(shorter);
    expectRefusal(sizeText);

    UseVaultInfo(info);
    HANDLE held = CreateFileA(backup.vaultInfoPath, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    expectRefusal("The selected vault information file is either in use or not accessible." + checkInfo);
    CloseHandle(held);

    WriteBytes(ann.vaultPath, Bytes(511, 0));
    expectRefusal("The selected vault file is either in use or not accessible." + checkVault);
    DeleteFileA(ann.vaultPath.c_str());
    expectRefusal("The selected vault file is either in use or not accessible." + checkVault);
}

TEST(VaultInfoFile, SealedForANewVaultAndNeverOverwritten) {
    ScratchFolder folder;
    TestUser bob("Bob", "pw", folder.File("Kovara_Bob.udf"), 21);
    MakeVaultFile(bob.vaultPath, bob.vaultKey, 5 * 1048576);
    std::string infoPath = folder.File("Bob.vault");
    ASSERT_EQ(1, SealVaultInfo(bob.vaultPath.c_str(), bob.keyBlock.data(), infoPath.c_str()));
    Bytes written = ReadBytes(infoPath);
    EXPECT_EQ(VaultInfoFor(bob.vaultPath, bob.keyBlock), written);

    // An existing file is a failure and stays as it was.
    EXPECT_EQ(0, SealVaultInfo(bob.vaultPath.c_str(), Pattern(256, 5).data(), infoPath.c_str()));
    EXPECT_EQ(written, ReadBytes(infoPath));

    // A vault shorter than one sector gives no file at all.
    std::string shortVault = folder.File("short.udf");
    WriteBytes(shortVault, Bytes(511, 3));
    EXPECT_EQ(0, SealVaultInfo(shortVault.c_str(), bob.keyBlock.data(), folder.File("short.vault").c_str()));
    EXPECT_FALSE(FileExists(folder.File("short.vault")));
}

TEST(RecoveryFile, WrittenOnceAndOpenedByTheAnswers) {
    ScratchFolder folder;
    std::string path = folder.File("Ann.prf");
    const char answers[3][kAnswerFieldSize] = {"Maiden", "secret", "12345"};
    robot::Answerer answerer;
    ASSERT_EQ(1, SealRecoveryFile(path.c_str(), "the password", answers));
    Bytes file = ReadBytes(path);
    ASSERT_EQ(332u, file.size());
    const char *opened[3] = {answers[0], answers[1], answers[2]};
    char password[101];
    EXPECT_EQ(1, OpenRecoveryRecords(file.data(), opened, password, sizeof password));
    EXPECT_STREQ("the password", password);

    // A second file has a fresh salt, so its records differ too.
    std::string second = folder.File("Ann2.prf");
    ASSERT_EQ(1, SealRecoveryFile(second.c_str(), "the password", answers));
    Bytes other = ReadBytes(second);
    EXPECT_NE(Bytes(file.begin(), file.begin() + 20), Bytes(other.begin(), other.begin() + 20));
    answerer.Finish();
    EXPECT_TRUE(answerer.Boxes().empty());
}

TEST(RecoveryFile, ExistingFileIsRefusedWithItsErrorAndKept) {
    ScratchFolder folder;
    std::string path = folder.File("Ann.prf");
    WriteBytes(path, Bytes(10, 'x'));
    const char answers[3][kAnswerFieldSize] = {"a", "b", "c"};
    robot::Answerer answerer;
    EXPECT_EQ(0, SealRecoveryFile(path.c_str(), "pw", answers));
    EXPECT_EQ((DWORD)ERROR_FILE_EXISTS, GetLastError());
    answerer.Finish();
    EXPECT_TRUE(answerer.Boxes().empty()) << "the dialog that writes it tells the failure";
    EXPECT_EQ(Bytes(10, 'x'), ReadBytes(path));
}

TEST(KeysMessages, EveryOutcomeOfTheKeyOperationsHasItsOwnText) {
    ExpectEveryOutcomeTold(kKeysOutcomeCount, {kKeysOk, kKeysUntold, kKeysToldByToken}, [](int outcome) {
        KeysResult result = KeysOutcomeOf(static_cast<KeysOutcome>(outcome), "Ann", ERROR_ACCESS_DENIED);
        result.part = " [Part 1]";
        return KeysOutcomeBox(result);
    });
}
