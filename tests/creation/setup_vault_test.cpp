// "Kovara - Setup Your Vault" driven from the test thread while the dialog
// runs on a thread of its own; the free space is the test's.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <thread>

#include "maintenance/creation/free_space.h"
#include "maintenance/creation/setup_vault_dialog.h"
#include "resources/resource.h"
#include "robot.h"

namespace {

const char kCaption[] = "Kovara - Setup Your Vault";
unsigned long long g_testFreeBytes;
bool g_testQueryFails;
std::string g_lastQueried;

int TestFreeSpace(const char *folder, unsigned long long *freeBytes) {
    g_lastQueried = folder;
    if (g_testQueryFails) return 0;
    *freeBytes = g_testFreeBytes;
    return 1;
}

class SetupVaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_testQueryFails = false;
        g_testFreeBytes = 100ull * 1048576;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        programFolder = std::string(temp) + "kovara-setup-test";
        CreateDirectoryA(programFolder.c_str(), NULL);
        CreateDirectoryA((programFolder + "\\Vault").c_str(), NULL);
    }
    void TearDown() override {
        if (runner.joinable()) {
            if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            runner.join();
        }
        RemoveDirectoryA((programFolder + "\\Vault").c_str());
        RemoveDirectoryA(programFolder.c_str());
    }
    void Start() {
        runner = std::thread([this] { result = RunSetupVaultDialog(NULL, programFolder.c_str(), "Ann", &choice, TestFreeSpace); });
        dialog = robot::WaitForWindow("#32770", kCaption);
        ASSERT_NE(nullptr, dialog);
    }
    int Finish() {
        runner.join();
        dialog = NULL;
        return result;
    }
    // Presses "Next >" with the size and name typed; returns the box that
    // follows (answered with `answer`).
    robot::Box Next(const char *size, const char *name, int answer = IDOK) {
        robot::SetControlText(dialog, IDC_VAULT_SIZE, size);
        robot::SetControlText(dialog, IDC_VAULT_NAME, name);
        robot::PressButton(dialog, IDOK);
        HWND box = robot::WaitForBox(NULL);
        robot::Box seen;
        if (!box) return seen;
        seen = robot::ReadBox(box);
        robot::PressButton(box, answer);
        robot::WaitForClose(box);
        return seen;
    }
    std::string programFolder;
    std::thread runner;
    HWND dialog = NULL;
    VaultChoice choice;
    int result = 0;
};

const char kTooSmall[] = "Vault size cannot be smaller than 5 MB.";
const char kNoSpace[] = "There is not enough space to create vault of requested size.";
const char kBadName[] = "Name for your vault can contain only alpha-numeric characters and underscores (_).";

}  // namespace

TEST_F(SetupVaultTest, OpensWithDefaultsAndConfirmsAVaultThatFitsExactly) {
    g_testFreeBytes = 5ull * 1048576;
    Start();
    EXPECT_EQ(programFolder + "\\Vault", robot::ControlText(dialog, IDC_VAULT_LOCATION));
    EXPECT_EQ("256", robot::ControlText(dialog, IDC_VAULT_SIZE));
    EXPECT_EQ("Kovara_Ann", robot::ControlText(dialog, IDC_VAULT_NAME));
    EXPECT_EQ("You Have About 5 MB of Free Disk Space in This Location.",
              robot::ControlText(dialog, IDC_VAULT_FREE_SPACE));
    robot::Screenshot("creation-setup-your-vault");

    EXPECT_EQ("All fields must be entered.", Next("", "Kovara_Ann").text);
    EXPECT_EQ(kTooSmall, Next("4", "Kovara_Ann").text);
    for (const char *name : {"My Vault", "my-vault", "my.vault"}) EXPECT_EQ(kBadName, Next("5", name).text) << name;
    robot::Box confirm = Next("5", "Ann_Vault_1", IDYES);
    EXPECT_EQ("Kovara", confirm.caption);
    EXPECT_EQ((UINT)MB_ICONQUESTION, confirm.icon);
    EXPECT_EQ("You have selected a create a new vault:\n\nVault Location: " + programFolder +
                  "\\Vault\nVault Name: Ann_Vault_1\nVault Size: 5 MB.\n\nClick \"Yes\" to reconfirm.",
              confirm.text);
    EXPECT_EQ(1, Finish());
    EXPECT_EQ(0, choice.cancelled);
    EXPECT_EQ(5u, choice.sizeMb);
    EXPECT_EQ(programFolder + "\\Vault\\Ann_Vault_1.udf", choice.containerPath);
}

TEST_F(SetupVaultTest, SizeLimitsAndTheLargeVaultReminder) {
    g_testFreeBytes = 2001ull * 1048576 - 1;
    Start();
    EXPECT_EQ("You Have About 1 GB of Free Disk Space in This Location.",
              robot::ControlText(dialog, IDC_VAULT_FREE_SPACE));
    // 2000 is not large: the next refusal is the space check... which it passes.
    robot::Box confirm = Next("2000", "Big", IDNO);
    EXPECT_EQ(0u, confirm.text.find("You have selected a create a new vault:")) << confirm.text;
    robot::Box reminder = Next("2001", "Big", IDNO);
    EXPECT_EQ("Kovara - Vault Size Reminder", reminder.caption);
    EXPECT_EQ("You have selected to create a large size vault (Above 2 GB).\nAre you sure?", reminder.text);
    EXPECT_EQ((UINT)MB_ICONQUESTION, reminder.icon);
    // Yes to the reminder: one byte short of 2001 MB is refused.
    robot::SetControlText(dialog, IDC_VAULT_SIZE, "2001");
    robot::PressButton(dialog, IDOK);
    HWND box = robot::WaitForBox("Kovara - Vault Size Reminder");
    ASSERT_NE(nullptr, box);
    robot::PressButton(box, IDYES);
    robot::WaitForClose(box);
    box = robot::WaitForBox("Kovara");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(kNoSpace, robot::ReadBox(box).text);
    robot::PressButton(box, IDOK);
    robot::WaitForClose(box);
    robot::PressButton(dialog, IDCANCEL);
    EXPECT_EQ(2, Finish());
    EXPECT_EQ(1, choice.cancelled);
}

TEST_F(SetupVaultTest, AnExistingVaultNameAndAFailedFreeSpaceQuery) {
    std::string existing = programFolder + "\\Vault\\Taken.udf";
    CloseHandle(CreateFileA(existing.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    Start();
    EXPECT_EQ("A vault exists by the selected name.\nSelect some other Vault Name.", Next("5", "Taken").text);
    robot::PressButton(dialog, IDCANCEL);
    EXPECT_EQ(2, Finish());
    DeleteFileA(existing.c_str());

    g_testQueryFails = true;
    runner = std::thread([this] { result = RunSetupVaultDialog(NULL, programFolder.c_str(), "Ann", &choice, TestFreeSpace); });
    HWND box = robot::WaitForBox("Kovara");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Error reading available free space on disk.", robot::ReadBox(box).text);
    robot::PressButton(box, IDOK);
    EXPECT_EQ(2, Finish());
    EXPECT_EQ(1, choice.cancelled);
    EXPECT_EQ(programFolder, g_lastQueried);
}

TEST(FreeSpace, LineUnitsAndNetworkFolders) {
    EXPECT_EQ("You Have About 1024 Bytes of Free Disk Space in This Location.", FreeSpaceLine(1024));
    EXPECT_EQ("You Have About 1 KB of Free Disk Space in This Location.", FreeSpaceLine(1025));
    EXPECT_EQ("You Have About 1024 KB of Free Disk Space in This Location.", FreeSpaceLine(1048576));
    EXPECT_EQ("You Have About 1024 MB of Free Disk Space in This Location.", FreeSpaceLine(1073741824ull));
    EXPECT_EQ("You Have About 5 GB of Free Disk Space in This Location.", FreeSpaceLine(5ull << 30 | 7));

    char network[MAX_PATH] = "\\\\kovhost\\share\\vaults";
    NormaliseBrowsedFolder(network, sizeof network);
    EXPECT_STREQ("\\\\kovhost\\share\\vaults\\", network);
    NormaliseBrowsedFolder(network, sizeof network);
    EXPECT_STREQ("\\\\kovhost\\share\\vaults\\", network);
    char local[MAX_PATH] = "C:\\vaults";
    NormaliseBrowsedFolder(local, sizeof local);
    EXPECT_STREQ("C:\\vaults", local);

    // The real query answers for the system's own folder, above 4 GB too.
    unsigned long long freeBytes = 0;
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(1, QueryVolumeFreeSpace(system, &freeBytes));
    EXPECT_GT(freeBytes, 0ull);
}
