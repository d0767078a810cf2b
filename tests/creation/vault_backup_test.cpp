// The vault backup: the "Backup Vault" question, the questions before the
// lock of "Lock and Exit", and the copy made after the lock.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "key_fixture.h"
#include "shell/ui/choose_folder.h"
#include "maintenance/vault_backup.h"
#include "robot.h"

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
    std::vector<std::string> texts;
    for (const auto &box : answerer.Boxes()) texts.push_back(box.text);
    return texts;
}

const char kOverwrite[] =
    "A vault file exists in selected location.\n\nClick \"Yes\" to ovewrite.\nClick \"No\" to select new location."
    "\nClick \"Cancel\" to cancel backup.";

const char kSelf[] =
    "The selected location holds the vault itself.\n\nSelect some other location for the vault backup.";

class VaultBackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_vaultBackupFolderChooser = ChooseListedFolder;
        g_folders.clear();
        g_chooserCalls = 0;
        container = vaults.File("Kovara_Ann.udf");
        WriteBytes(container, Pattern(64 * 1024, 3));
    }
    void TearDown() override { g_vaultBackupFolderChooser = ChooseFolder; }
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
    EXPECT_EQ(1, CopyVaultAfterLock(NULL, container.c_str()));
    EXPECT_EQ(ReadBytes(container), ReadBytes(first.File("Kovara_Ann.udf")));

    // No chooses again, Yes overwrites.
    WriteBytes(first.File("Kovara_Ann.udf"), Bytes(10, 1));
    WriteBytes(second.File("Kovara_Ann.udf"), Bytes(10, 2));
    g_folders = {first.path, second.path + "\\"};
    g_chooserCalls = 0;
    answerer.Answer(IDNO);
    answerer.Answer(IDYES);
    EXPECT_EQ(1, CopyVaultAfterLock(NULL, container.c_str()));
    EXPECT_EQ(2, g_chooserCalls);
    EXPECT_EQ(Bytes(10, 1), ReadBytes(first.File("Kovara_Ann.udf")));
    EXPECT_EQ(ReadBytes(container), ReadBytes(second.File("Kovara_Ann.udf")));

    // Cancel ends without a copy.
    WriteBytes(second.File("Kovara_Ann.udf"), Bytes(10, 2));
    g_folders = {second.path};
    g_chooserCalls = 0;
    answerer.Answer(IDCANCEL);
    EXPECT_EQ(0, CopyVaultAfterLock(NULL, container.c_str()));
    EXPECT_EQ(Bytes(10, 2), ReadBytes(second.File("Kovara_Ann.udf")));
    EXPECT_EQ((std::vector<std::string>{kOverwrite, kOverwrite, kOverwrite}), Texts(answerer));
}

TEST_F(VaultBackupTest, SilentEndsAndAFailedCopy) {
    robot::Answerer answerer;
    g_folders = {"C"};  // one character
    EXPECT_EQ(0, CopyVaultAfterLock(NULL, container.c_str()));
    g_folders = {first.File("not-there")};
    g_chooserCalls = 0;
    EXPECT_EQ(0, CopyVaultAfterLock(NULL, container.c_str()));
    g_folders = {first.path};
    g_chooserCalls = 0;
    answerer.Answer(IDOK);
    EXPECT_EQ(0, CopyVaultAfterLock(NULL, vaults.File("gone.udf").c_str()));
    EXPECT_FALSE(FileExists(first.File("gone.udf")));

    // The container's own folder is refused, and the chooser comes back.
    WriteBytes(first.File("Kovara_Ann.udf"), Bytes(10, 1));
    g_folders = {vaults.path, first.path};
    g_chooserCalls = 0;
    answerer.Answer(IDOK);
    answerer.Answer(IDYES);
    EXPECT_EQ(1, CopyVaultAfterLock(NULL, container.c_str()));
    EXPECT_EQ(Pattern(64 * 1024, 3), ReadBytes(container));
    EXPECT_EQ(ReadBytes(container), ReadBytes(first.File("Kovara_Ann.udf")));
    EXPECT_EQ((std::vector<std::string>{"There was error making a backup.", kSelf, kOverwrite}),
              Texts(answerer));
}
