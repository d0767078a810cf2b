// The vault backup: the "Backup Vault" question, the questions before the
// lock of "Lock and Exit", and the copy made after the lock; and the
// creation-time backup: its dialog's refusals and a split copy that fails.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "import_patch.h"
#include "key_fixture.h"
#include "outcome_boxes.h"
#include "shell/ui/choose_folder.h"
#include "maintenance/creation/creation_backup.h"
#include "maintenance/messages/maintenance_messages.h"
#include "maintenance/creation/vault_backup.h"
#include "resources/resource.h"
#include "robot.h"
#include "token_test_support.h"

namespace {

std::vector<std::string> g_folders;  // answers of the folder chooser, in order
int g_chooserCalls;

int ChooseListedFolder(HWND, const char *title, char *path) {
    EXPECT_STREQ("Select Folder for Vault Backup:", title);
    path[0] = '\0';
    if (g_chooserCalls >= (int)g_folders.size()) return 0;
    strcpy(path, g_folders[g_chooserCalls++].c_str());
    return path[0] != '\0';
}

std::vector<std::string> Texts(robot::Answerer &answerer) {
    answerer.Finish();
    return robot::BoxTextsFrom(answerer);
}

// A disk that fills halfway through a copy: the stand-in for CopyFileA writes
// the first half of the source to the destination it is given and fails.
BOOL WINAPI CopyHalfThenFail(LPCSTR from, LPCSTR to, BOOL failIfExists) {
    Bytes source = ReadBytes(from);
    HANDLE file = CreateFileA(to, GENERIC_WRITE, 0, NULL, failIfExists ? CREATE_NEW : CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    DWORD written = 0;
    WriteFile(file, source.data(), (DWORD)(source.size() / 2), &written, NULL);
    CloseHandle(file);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

const char kOverwrite[] =
    "A vault file exists in selected location.\n\nClick \"Yes\" to ovewrite.\nClick \"No\" to select new location."
    "\nClick \"Cancel\" to cancel backup.";

const char kSelf[] =
    "The selected location holds the vault itself.\n\nSelect some other location for the vault backup.";

class VaultBackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_folders.clear();
        g_chooserCalls = 0;
        container = vaults.File("Kovara_Ann.udf");
        WriteBytes(container, Pattern(64 * 1024, 3));
    }
    ScratchFolder vaults, first, second;
    std::string container;
};

}  // namespace

TEST(VaultBackupQuestions, ScheduleTheBackup) {
    robot::Answerer answerer;
    answerer.Answer(IDYES);
    answerer.Answer(IDOK);
    EXPECT_EQ(1, AskScheduleVaultBackup(NULL));
    answerer.Answer(IDNO);
    EXPECT_EQ(0, AskScheduleVaultBackup(NULL));
    auto boxes = answerer.Boxes();
    EXPECT_EQ((std::vector<std::string>{
                  "The vault backup can be taken only when the vault is locked.\n\nWould you like to make vault "
                  "backup when you \"Lock and Exit\"?",
                  "Vault backup scheduled at \"Lock and Exit\".",
                  "The vault backup can be taken only when the vault is locked.\n\nWould you like to make vault "
                  "backup when you \"Lock and Exit\"?"}),
              Texts(answerer));
    EXPECT_EQ((UINT)MB_ICONQUESTION, boxes[0].icon);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, boxes[1].icon);
}

TEST_F(VaultBackupTest, CopiesAndAsksBeforeOverwriting) {
    robot::Answerer answerer;
    g_folders = {first.path};
    EXPECT_EQ(1, CopyVaultAfterLock(NULL, container.c_str(), ChooseListedFolder));
    EXPECT_EQ(ReadBytes(container), ReadBytes(first.File("Kovara_Ann.udf")));

    // No chooses again, Yes overwrites.
    WriteBytes(first.File("Kovara_Ann.udf"), Bytes(10, 1));
    WriteBytes(second.File("Kovara_Ann.udf"), Bytes(10, 2));
    g_folders = {first.path, second.path + "\\"};
    g_chooserCalls = 0;
    answerer.Answer(IDNO);
    answerer.Answer(IDYES);
    EXPECT_EQ(1, CopyVaultAfterLock(NULL, container.c_str(), ChooseListedFolder));
    EXPECT_EQ(2, g_chooserCalls);
    EXPECT_EQ(Bytes(10, 1), ReadBytes(first.File("Kovara_Ann.udf")));
    EXPECT_EQ(ReadBytes(container), ReadBytes(second.File("Kovara_Ann.udf")));

    // Cancel ends without a copy.
    WriteBytes(second.File("Kovara_Ann.udf"), Bytes(10, 2));
    g_folders = {second.path};
    g_chooserCalls = 0;
    answerer.Answer(IDCANCEL);
    EXPECT_EQ(0, CopyVaultAfterLock(NULL, container.c_str(), ChooseListedFolder));
    EXPECT_EQ(Bytes(10, 2), ReadBytes(second.File("Kovara_Ann.udf")));
    EXPECT_EQ((std::vector<std::string>{kOverwrite, kOverwrite, kOverwrite}), Texts(answerer));
}

TEST_F(VaultBackupTest, SilentEndsAndFailedCopies) {
    robot::Answerer answerer;
    g_folders = {"C"};  // one character
    EXPECT_EQ(0, CopyVaultAfterLock(NULL, container.c_str(), ChooseListedFolder));
    g_folders = {first.File("not-there")};
    g_chooserCalls = 0;
    EXPECT_EQ(0, CopyVaultAfterLock(NULL, container.c_str(), ChooseListedFolder));
    g_folders = {first.path};
    g_chooserCalls = 0;
    answerer.Answer(IDOK);
    EXPECT_EQ(0, CopyVaultAfterLock(NULL, vaults.File("gone.udf").c_str(), ChooseListedFolder));
    EXPECT_FALSE(FileExists(first.File("gone.udf")));

    // The container's own folder is refused, and the chooser comes back.
    WriteBytes(first.File("Kovara_Ann.udf"), Bytes(10, 1));
    g_folders = {vaults.path, first.path};
    g_chooserCalls = 0;
    answerer.Answer(IDOK);
    answerer.Answer(IDYES);
    EXPECT_EQ(1, CopyVaultAfterLock(NULL, container.c_str(), ChooseListedFolder));
    EXPECT_EQ(Pattern(64 * 1024, 3), ReadBytes(container));
    EXPECT_EQ(ReadBytes(container), ReadBytes(first.File("Kovara_Ann.udf")));

    // The copy over that backup fails halfway: the previous backup stays
    // whole and no partial file is left beside it.
    WriteBytes(container, Pattern(64 * 1024, 4));
    {
        ImportPatch diskFull("CopyFileA", (void *)&CopyHalfThenFail);
        ASSERT_TRUE(diskFull.Installed());
        g_folders = {first.path};
        g_chooserCalls = 0;
        answerer.Answer(IDYES);
        answerer.Answer(IDOK);
        EXPECT_EQ(0, CopyVaultAfterLock(NULL, container.c_str(), ChooseListedFolder));
    }
    EXPECT_EQ(Pattern(64 * 1024, 3), ReadBytes(first.File("Kovara_Ann.udf"))) << "the previous backup is whole";
    EXPECT_FALSE(FileExists(first.File("Kovara_Ann.udf.new")));
    EXPECT_EQ((std::vector<std::string>{"There was error making a backup.", kSelf, kOverwrite, kOverwrite,
                                        "There was error making a backup."}),
              Texts(answerer));
}

TEST(CreationBackup, DialogRefusalsThenNo) {
    ScratchFolder one, two;
    WriteBytes(one.File("KovdevTokenKey.user"), Bytes(852, 1));
    WriteBytes(two.File("KeyPart2_Ann.kovdev"), Bytes(426, 2));
    const std::string longFolder = "C:\\" + std::string(250, 'x');
    CreationBackupChoice choice;
    memset(&choice, 1, sizeof choice);
    DialogRunner runner;
    HWND dialog =
        runner.Start([&] { RunCreationBackupDialog(NULL, "Ann", &choice); }, "Kovara - User Information Backup");
    ASSERT_NE(nullptr, dialog);
    struct Row {
        int option;  // 0, or the radio button chosen first
        std::string location, part1, part2, text;
    } rows[] = {
        {0, "", "", "", "You must select an option before you click \"Yes\"."},
        {IDC_CREATION_BACKUP_SINGLE, "", "", "", "You must select Backup Location.\nClick \"Browse\" to select."},
        {IDC_CREATION_BACKUP_SINGLE, longFolder, "", "",
         "The name of selected Backup Location exceeds file name size for Windows.\n\nSelect some other Backup "
         "Location."},
        {IDC_CREATION_BACKUP_SINGLE, one.path, "", "",
         "In the selected Backup Location, a file exists that has the same name as the target backup file name."
         "\nThe name of that file is:\n" +
             one.File("KovdevTokenKey.user") + "\n\nSelect some other Backup Location."},
        {IDC_CREATION_BACKUP_SPLIT, "", "", two.path,
         "You must select Backup Location [Part 1].\nClick \"Browse\" to select."},
        {IDC_CREATION_BACKUP_SPLIT, "", one.path, "",
         "You must select Backup Location [Part 2].\nClick \"Browse\" to select."},
        {IDC_CREATION_BACKUP_SPLIT, "", two.path, two.path,
         "In the selected Backup Location [Part 2], a file exists that has the same name as the target backup "
         "file name.\nThe name of that file is:\n" +
             two.File("KeyPart2_Ann.kovdev") + "\n\nSelect some other Backup Location [Part 2]."},
    };
    for (const Row &row : rows) {
        // Sent, not posted: the option clears the fields, which are set after it.
        if (row.option)
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(row.option, BN_CLICKED),
                         (LPARAM)GetDlgItem(dialog, row.option));
        robot::SetControlText(dialog, IDC_CREATION_BACKUP_LOCATION, row.location.c_str());
        robot::SetControlText(dialog, IDC_CREATION_BACKUP_LOCATION_1, row.part1.c_str());
        robot::SetControlText(dialog, IDC_CREATION_BACKUP_LOCATION_2, row.part2.c_str());
        robot::PressButton(dialog, IDYES);
        EXPECT_EQ(row.text, AnswerBox(IDOK).text);
        EXPECT_TRUE(IsWindow(dialog)) << row.text;
    }
    robot::PressButton(dialog, IDNO);
    ASSERT_TRUE(runner.Finish());
    EXPECT_EQ(0, choice.wanted + choice.single + choice.split);
    EXPECT_EQ(Bytes(852, 1), ReadBytes(one.File("KovdevTokenKey.user")));
}

TEST(CreationBackup, SplitCopyFailureLeavesNoPart) {
    ScratchFolder one, two;
    CreationBackupChoice choice;
    memset(&choice, 0, sizeof choice);
    choice.wanted = choice.split = 1;
    strcpy(choice.userInfo, one.File("KeyPart1_Ann.kovdev").c_str());
    strcpy(choice.vaultInfo, one.File("VaultInfo_Ann.vault").c_str());
    strcpy(choice.userInfo2, two.File("KeyPart2_Ann.kovdev").c_str());
    strcpy(choice.vaultInfo2, two.File("VaultInfo_Ann.vault").c_str());
    Bytes record = Pattern(852, 5);
    robot::Answerer answerer;
    EXPECT_EQ(kMaintenanceUntold, WriteSplitBackup(choice, record.data(), one.File("missing.vault").c_str()).outcome);
    for (const char *path : {choice.userInfo, choice.vaultInfo, choice.userInfo2, choice.vaultInfo2})
        EXPECT_FALSE(FileExists(path)) << path;

    // With the vault information there, every part is written and flushed whole.
    WriteBytes(one.File("Ann.vault"), Pattern(512, 6));
    answerer.Answer(IDOK);
    MaintenanceResult written = WriteSplitBackup(choice, record.data(), one.File("Ann.vault").c_str());
    ShowMaintenanceOutcome(NULL, written);
    EXPECT_EQ(kSplitBackupWritten, written.outcome);
    EXPECT_EQ(Bytes(record.begin(), record.begin() + 426), ReadBytes(choice.userInfo));
    EXPECT_EQ(Bytes(record.begin() + 426, record.end()), ReadBytes(choice.userInfo2));
    EXPECT_EQ(Pattern(512, 6), ReadBytes(choice.vaultInfo2));
    answerer.Finish();
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ(0u, answerer.Boxes()[0].text.find("Split Backup created successfully!"));
}

TEST(MaintenanceMessages, EveryOutcomeOfCreationRecoveryAndBackupsHasItsOwnText) {
    ExpectEveryOutcomeTold(kMaintenanceOutcomeCount,
                           {kMaintenanceOk, kMaintenanceUntold, kVaultBackupExists, kFormatFailed}, [](int outcome) {
                               MaintenanceResult result =
                                   MaintenanceOutcomeOf(static_cast<MaintenanceOutcome>(outcome));
                               for (std::string &file : result.files) file = "C:\\Backup\\file";
                               result.user = "Ann";
                               result.systemError = ERROR_ACCESS_DENIED;
                               result.password = "pw of ann";
                               return MaintenanceOutcomeBox(result);
                           });
}
