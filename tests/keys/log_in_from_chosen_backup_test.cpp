// The log-in from the chosen backup files (LogInFromChosenBackup) driven
// through the main window's controls, against the stand-in vault driver.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <memory>
#include <vector>

#include "driver_fixture.h"
#include "key_fixture.h"
#include "keys/files/key_files.h"
#include "keys/log_in/log_in.h"
#include "log_in_bed.h"
#include "resources/resource.h"
#include "robot.h"
#include "told.h"
#include "shell/state/open_vault.h"

namespace {

const char kWrong[] = "Either Username or Password is incorrect.";

class BackupLogInTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    TestUser ann{"Ann", "pw of ann", folder.File("Kovara_Ann.udf"), 41};
    robot::Answerer answerer;
    std::unique_ptr<MainWindowUnderTest> main;
    BackupChoice backup = {};
    ChosenDrive drive = {0, 'A'};
    LoggedInUser user = {};

    BackupLogInTest() { main = StartMainWindow(answerer); }

    void SetUp() override {
        StartFromIdleDriver(folder);
        MakeVaultFile(ann.vaultPath, ann.vaultKey, 5 * 1048576);
        strcpy(backup.vaultPath, ann.vaultPath.c_str());
        strcpy(backup.vaultInfoPath, folder.File("Ann.vault").c_str());
        WriteBytes(backup.vaultInfoPath, VaultInfoFor(ann.vaultPath, ann.keyBlock));
        UseWhole();
    }
    void TearDown() override {
        main.reset();
        answerer.Finish();
        LeaveIdleDriver();
    }
    void UseWhole() {
        backup.split = 0;
        strcpy(backup.userInfoPath, folder.File("KovdevTokenKey.user").c_str());
        WriteBytes(backup.userInfoPath, ann.record);
    }
    void UseSplit(bool swapped) {
        backup.split = 1;
        Bytes part1(ann.record.begin(), ann.record.begin() + 426), part2(ann.record.begin() + 426, ann.record.end());
        strcpy(backup.userInfoPath, folder.File("KeyPart1_Ann.kovdev").c_str());
        strcpy(backup.userInfoPart2Path, folder.File("KeyPart2_Ann.kovdev").c_str());
        WriteBytes(backup.userInfoPath, swapped ? part2 : part1);
        WriteBytes(backup.userInfoPart2Path, swapped ? part1 : part2);
    }
    // Runs the log-in from backup and returns the texts of the boxes it showed,
    // each answered with OK.
    std::vector<std::string> Run(int expected, size_t boxes) {
        size_t before = answerer.Boxes().size();
        for (size_t i = 0; i < boxes; ++i) answerer.Answer(IDOK);
        EXPECT_EQ(expected, Told(main->window(), LogInFromChosenBackup(main->window(), backup, &drive, &user)));
        EXPECT_EQ(0u, answerer.PendingAnswers());
        auto seen = answerer.Boxes();
        for (size_t i = before; i < seen.size(); ++i) EXPECT_EQ("Kovara", seen[i].caption);
        EXPECT_EQ(0, main->Progress()) << "progress is reset on every exit";
        return robot::BoxTextsFrom(answerer, before);
    }
};

using Texts = std::vector<std::string>;

}  // namespace

TEST_F(BackupLogInTest, EmptyFieldsAreAskedForOneByOne) {
    main->Type("", "pw of ann");
    EXPECT_EQ(Texts{"Please enter Username."}, Run(0, 1));
    main->Type("Ann", "");
    EXPECT_EQ(Texts{"Please enter Password."}, Run(0, 1));
}

TEST_F(BackupLogInTest, OpensTheChosenVaultAndMarksTheBackupLogIn) {
    main->Type("Ann", "pw of ann");
    Texts texts = Run(1, 1);  // only the note about My Documents
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(0u, texts[0].find("Unable to determine path of your personal folder"));
    EXPECT_EQ(1, g_openVault.vaultOpen);
    EXPECT_STREQ("Ann", user.name);
    EXPECT_EQ(ann.vaultPath, user.vaultPath);
    EXPECT_FALSE(IsWindowVisible(main->window()));
    EXPECT_EQ("Log-In Status", main->Status());
    EXPECT_EQ(std::string(101, '0') + '\0', std::string(g_loginPassword, kHeldPasswordSize))
        << "overwritten with the digit 0, terminator kept";
    KovdevInspect state;
    ASSERT_TRUE(drivertest::Inspect(&state));
    EXPECT_EQ(5ull * 1048576, state.volumeBytes);
}

TEST_F(BackupLogInTest, WrongPasswordAndSwappedSplitPartsAreRefused) {
    main->Type("Ann", "PW OF ANN");
    EXPECT_EQ(Texts{kWrong}, Run(0, 1));
    UseSplit(true);
    main->Type("Ann", "pw of ann");
    EXPECT_EQ(Texts{"Either Username or Password is incorrect.\nEnsure that you selected backup part 1 as [Part 1] "
                    "and backup part2 as [Part 2]."},
              Run(0, 1));
    EXPECT_EQ(0, g_openVault.vaultOpen);
    UseSplit(false);
    main->Type("Ann", "pw of ann");  // each log-in takes the password out of the page
    EXPECT_EQ(1u, Run(1, 1).size());
}

TEST_F(BackupLogInTest, VaultInfoOfAnotherVaultIsRefused) {
    std::string other = folder.File("other.udf");
    MakeVaultFile(other, Pattern(32, 5), 5 * 1048576);
    WriteBytes(backup.vaultInfoPath, VaultInfoFor(other, ann.keyBlock));
    main->Type("Ann", "pw of ann");
    EXPECT_EQ(Texts{kWrong}, Run(0, 1));
    EXPECT_EQ(0, g_openVault.vaultOpen);
}

TEST_F(BackupLogInTest, VaultBelowFiveMiBIsCorrupt) {
    const std::string corrupt = "The vault data for user \"Ann\", is corrupt.\nThe vault cannot be opened.";
    MakeVaultFile(ann.vaultPath, ann.vaultKey, 5 * 1048576 - 1);
    main->Type("Ann", "pw of ann");
    EXPECT_EQ(Texts{corrupt}, Run(0, 1));
    EXPECT_EQ(std::string(101, '0') + '\0', std::string(g_loginPassword, kHeldPasswordSize))
        << "no mount attempted: the copy is overwritten all the same";
}

TEST_F(BackupLogInTest, SizeIsAnnouncedInWholeMiBRoundedDown) {
    MakeVaultFile(ann.vaultPath, ann.vaultKey, 10 * 1048576 - 1);
    main->Type("Ann", "pw of ann");
    EXPECT_EQ(1u, Run(1, 1).size());
    KovdevInspect state;
    ASSERT_TRUE(drivertest::Inspect(&state));
    EXPECT_EQ(9ull * 1048576, state.volumeBytes);
}

// A drive picked in the drive-letter dialog: C: and below are ignored (the
// first free letter is taken), a later letter is used; the pick is cleared.
struct DrivePick {
    char picked;
    char opened;
};

class BackupLogInDrivePickTest : public BackupLogInTest, public ::testing::WithParamInterface<DrivePick> {};

TEST_P(BackupLogInDrivePickTest, PickAfterCIsUsedAndAnyPickIsCleared) {
    drive.chosen = 1;
    drive.letter = GetParam().picked;
    main->Type("Ann", "pw of ann");
    EXPECT_EQ(1u, Run(1, 1).size());
    EXPECT_EQ(GetParam().opened, g_openVault.driveLetter);
    EXPECT_EQ(0, drive.chosen);
}

INSTANTIATE_TEST_SUITE_P(PickedLetters, BackupLogInDrivePickTest,
                         ::testing::Values(DrivePick{'C', 'D'}, DrivePick{'M', 'M'}),
                         [](const ::testing::TestParamInfo<DrivePick> &info) {
                             return std::string("Picked") + info.param.picked;
                         });

TEST_F(BackupLogInTest, FailedMountStillOverwritesThePassword) {
    // The driver already serves a vault: the mount refuses.
    drivertest::TempFolder busy;
    ASSERT_EQ(0u, drivertest::OpenVaultOn('S', busy.path + "\\busy.udf", 5));
    main->Type("Ann", "pw of ann");
    Texts texts = Run(0, 2);
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(
        "Kovara driver is either in use or is not accessible.\nCheck that the vault may already be open.\n"
        "Desired vault cannot be opened.",
        texts[0]);
    EXPECT_EQ("There was error opening the vault.", texts[1]);
    EXPECT_EQ(std::string(101, '0') + '\0', std::string(g_loginPassword, kHeldPasswordSize))
        << "overwritten with the digit 0, terminator kept";
    EXPECT_TRUE(IsWindowVisible(main->window()));
    drivertest::ResetDriver('S');
}
