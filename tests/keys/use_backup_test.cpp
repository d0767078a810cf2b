// The log-in-from-backup dialog driven by the robot (its options, the file
// checks of each "Browse", the refusals of "OK" in order) and the "Use
// Backup" command end to end against the stand-in vault driver.
#include <windows.h>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <string.h>

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "driver_fixture.h"
#include "key_fixture.h"
#include "keys/files/key_files.h"
#include "keys/log_in/log_in.h"
#include "log_in_bed.h"
#include "maintenance/log_in_backup/log_in_backup_dialog.h"
#include "maintenance/registry/registry_settings.h"
#include "resources/resource.h"
#include "robot.h"
#include "told.h"
#include "shell/state/open_vault.h"

namespace {

const char kDialogCaption[] = "Kovara - Log-In Using User Information Backup";
const char *const kFileTitles[] = {
    "Select Vault File",
    "Select User Information File",
    "Select Vault Information File",
    "Select User Information File [Part 1]",
    "Select Vault Information File [Part 1]",
    "Select User Information File [Part 2]",
    "Select Vault Information File [Part 2]",
};
const int kSingleControls[] = {IDC_BACKUP_USER_INFO, IDC_BACKUP_USER_INFO_BROWSE, IDC_BACKUP_VAULT_INFO,
                               IDC_BACKUP_VAULT_INFO_BROWSE};
const int kSplitControls[] = {
    IDC_BACKUP_USER_INFO_1, IDC_BACKUP_USER_INFO_1_BROWSE, IDC_BACKUP_VAULT_INFO_1, IDC_BACKUP_VAULT_INFO_1_BROWSE,
    IDC_BACKUP_USER_INFO_2, IDC_BACKUP_USER_INFO_2_BROWSE, IDC_BACKUP_VAULT_INFO_2, IDC_BACKUP_VAULT_INFO_2_BROWSE};

using Texts = std::vector<std::string>;

// Clicks a button of the dialog and returns once its command has run (the
// file dialogs and boxes it opens are handled by the robot meanwhile).
void Click(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class BackupDialogTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    robot::Answerer answerer;
    std::mutex lock;
    std::map<std::string, std::deque<std::string>> picks;  // per file dialog title
    std::map<std::string, std::string> filters;            // filter shown per title
    int dialogsOpened = 0;
    BackupChoice choice;
    int result = -1;
    std::thread worker;
    HWND dialog = NULL;

    BackupDialogTest() {
        answerer.OnDialog(kDialogCaption, [this](HWND) {
            std::lock_guard<std::mutex> hold(lock);
            ++dialogsOpened;
        });
        for (const char *title : kFileTitles) {
            std::string t = title;
            answerer.OnDialog(t, [this, t](HWND fileDialog) {
                std::string name;
                {
                    std::lock_guard<std::mutex> hold(lock);
                    filters[t] = robot::ControlText(fileDialog, cmb1);
                    if (!picks[t].empty()) {
                        name = picks[t].front();
                        picks[t].pop_front();
                    }
                }
                if (name.empty()) {
                    robot::PressButton(fileDialog, IDCANCEL);
                    return;
                }
                robot::SetControlText(fileDialog, GetDlgItem(fileDialog, cmb13) ? cmb13 : edt1, name.c_str());
                robot::PressButton(fileDialog, IDOK);
            });
        }
        memset(&choice, 0xAB, sizeof choice);
    }
    ~BackupDialogTest() override {
        if (dialog && IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        if (worker.joinable()) worker.join();
        answerer.Finish();
    }

    void Pick(const char *title, const std::string &path) {
        std::lock_guard<std::mutex> hold(lock);
        picks[title].push_back(path);
    }
    std::string File(const char *name, size_t size) {
        std::string path = folder.File(name);
        WriteBytes(path, Pattern(size, 3));
        return path;
    }
    void Open() {
        worker = std::thread([this] { result = RunLogInBackupDialog(NULL, &choice); });
        dialog = robot::WaitForWindow("#32770", kDialogCaption);
        ASSERT_TRUE(dialog != NULL);
    }
    // Clicks OK and returns the texts of the boxes it showed (each answered OK).
    Texts ClickExpecting(int id, size_t boxes) {
        size_t before = answerer.Boxes().size();
        for (size_t i = 0; i < boxes; ++i) answerer.Answer(IDOK);
        Click(dialog, id);
        EXPECT_EQ(0u, answerer.PendingAnswers());
        Texts texts;
        auto seen = answerer.Boxes();
        for (size_t i = before; i < seen.size(); ++i) {
            EXPECT_EQ("Kovara", seen[i].caption);
            EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), seen[i].icon);
            texts.push_back(seen[i].text);
        }
        return texts;
    }
    int Closed() {
        EXPECT_TRUE(robot::WaitForClose(dialog));
        worker.join();
        return result;
    }
    void ExpectEnabled(const int *ids, size_t count, bool enabled) {
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(enabled, robot::IsControlEnabled(dialog, ids[i])) << ids[i];
    }
};

}  // namespace

TEST_F(BackupDialogTest, OptionsEnableTheirFieldsAndClearTheOthers) {
    Open();
    EXPECT_EQ(BST_UNCHECKED, robot::CheckState(dialog, IDC_BACKUP_SINGLE));
    EXPECT_EQ(BST_UNCHECKED, robot::CheckState(dialog, IDC_BACKUP_SPLIT));
    EXPECT_FALSE(robot::IsControlEnabled(dialog, IDC_BACKUP_VAULT_FILE));
    EXPECT_FALSE(robot::IsControlEnabled(dialog, IDC_BACKUP_VAULT_BROWSE));
    ExpectEnabled(kSingleControls, 4, false);
    ExpectEnabled(kSplitControls, 8, false);

    robot::SetControlText(dialog, IDC_BACKUP_USER_INFO_2, "stale part 2");
    Click(dialog, IDC_BACKUP_SINGLE);
    EXPECT_EQ(BST_CHECKED, robot::CheckState(dialog, IDC_BACKUP_SINGLE));
    EXPECT_TRUE(robot::IsControlEnabled(dialog, IDC_BACKUP_VAULT_BROWSE));
    ExpectEnabled(kSingleControls, 4, true);
    ExpectEnabled(kSplitControls, 8, false);
    EXPECT_EQ("", robot::ControlText(dialog, IDC_BACKUP_USER_INFO_2));

    robot::SetControlText(dialog, IDC_BACKUP_VAULT_FILE, "C:\\v.udf");
    robot::SetControlText(dialog, IDC_BACKUP_USER_INFO, "C:\\KovdevTokenKey.user");
    Click(dialog, IDC_BACKUP_SPLIT);
    EXPECT_EQ(BST_UNCHECKED, robot::CheckState(dialog, IDC_BACKUP_SINGLE));
    EXPECT_EQ(BST_CHECKED, robot::CheckState(dialog, IDC_BACKUP_SPLIT));
    EXPECT_TRUE(robot::IsControlEnabled(dialog, IDC_BACKUP_VAULT_FILE));
    ExpectEnabled(kSingleControls, 4, false);
    ExpectEnabled(kSplitControls, 8, true);
    EXPECT_EQ("", robot::ControlText(dialog, IDC_BACKUP_USER_INFO));
    EXPECT_EQ("C:\\v.udf", robot::ControlText(dialog, IDC_BACKUP_VAULT_FILE)) << "the vault file serves both";

    Click(dialog, IDCANCEL);
    EXPECT_EQ(0, Closed());
    EXPECT_EQ(0, choice.split);
    EXPECT_EQ('\0', choice.vaultPath[0]) << "a cancelled dialog leaves no paths";
}

TEST_F(BackupDialogTest, SingleBackupIsAskedForFieldByFieldThroughBrowse) {
    std::string vault = File("Kovara_Ann.udf", 100), user = File("KovdevTokenKey.user", 852),
                info = File("Ann.vault", 512);
    Open();
    EXPECT_EQ(Texts{"You must select an option before you click \"OK\"."}, ClickExpecting(IDOK, 1));
    Click(dialog, IDC_BACKUP_SINGLE);
    EXPECT_EQ(Texts{"You must select the \"Vault File Name\"."}, ClickExpecting(IDOK, 1));
    Pick("Select Vault File", vault);
    Click(dialog, IDC_BACKUP_VAULT_BROWSE);
    EXPECT_EQ(vault, robot::ControlText(dialog, IDC_BACKUP_VAULT_FILE)) << "the vault file has no size rule";
    EXPECT_EQ(Texts{"You must select the backup of \"User Information File[*.user]\"."}, ClickExpecting(IDOK, 1));
    Pick("Select User Information File", user);
    Click(dialog, IDC_BACKUP_USER_INFO_BROWSE);
    EXPECT_EQ(Texts{"You must select the backup of \"Vault Information File[*.vault]\"."}, ClickExpecting(IDOK, 1));
    Pick("Select Vault Information File", info);
    Click(dialog, IDC_BACKUP_VAULT_INFO_BROWSE);
    EXPECT_EQ(Texts{}, ClickExpecting(IDOK, 0));
    EXPECT_EQ(1, Closed());

    EXPECT_EQ(0, choice.split);
    EXPECT_EQ(vault, choice.vaultPath);
    EXPECT_EQ(user, choice.userInfoPath);
    EXPECT_EQ(info, choice.vaultInfoPath);
    EXPECT_STREQ("", choice.userInfoPart2Path);
    EXPECT_EQ("Vault Files(*.UDF)", filters["Select Vault File"]);
    EXPECT_EQ("User Info Files(*.USER)", filters["Select User Information File"]);
    EXPECT_EQ("Vault Info Files(*.VAULT)", filters["Select Vault Information File"]);
}

TEST_F(BackupDialogTest, EmptyOrWronglySizedFilesAreRefusedAndClearTheField) {
    std::string empty = File("empty.user", 0), shortUser = File("short.user", 851),
                longPart = File("KeyPart1_Ann.kovdev", 427), part = File("KeyPart2_Ann.kovdev", 426),
                longInfo = File("long.vault", 513);
    Open();
    Click(dialog, IDC_BACKUP_SINGLE);
    robot::SetControlText(dialog, IDC_BACKUP_USER_INFO, "earlier choice");
    Pick("Select User Information File", empty);
    EXPECT_EQ(Texts{"The selected file either does not contain data or is not accessible."},
              ClickExpecting(IDC_BACKUP_USER_INFO_BROWSE, 1));
    EXPECT_EQ("", robot::ControlText(dialog, IDC_BACKUP_USER_INFO));
    robot::SetControlText(dialog, IDC_BACKUP_USER_INFO, "earlier choice");
    Pick("Select User Information File", shortUser);
    EXPECT_EQ(Texts{"The selected file failed integrity check."}, ClickExpecting(IDC_BACKUP_USER_INFO_BROWSE, 1));
    EXPECT_EQ("", robot::ControlText(dialog, IDC_BACKUP_USER_INFO));
    Pick("Select Vault Information File", longInfo);
    EXPECT_EQ(Texts{"The selected file failed integrity check."}, ClickExpecting(IDC_BACKUP_VAULT_INFO_BROWSE, 1));

    Click(dialog, IDC_BACKUP_SPLIT);
    Pick("Select User Information File [Part 1]", longPart);
    EXPECT_EQ(Texts{"The selected file failed integrity check."}, ClickExpecting(IDC_BACKUP_USER_INFO_1_BROWSE, 1));
    EXPECT_EQ("", robot::ControlText(dialog, IDC_BACKUP_USER_INFO_1));
    Pick("Select User Information File [Part 2]", part);
    EXPECT_EQ(Texts{}, ClickExpecting(IDC_BACKUP_USER_INFO_2_BROWSE, 0));
    EXPECT_EQ(part, robot::ControlText(dialog, IDC_BACKUP_USER_INFO_2));
    EXPECT_EQ("User Info Files(*.KOVDEV)", filters["Select User Information File [Part 2]"]);

    // A cancelled choice leaves the field as it was.
    EXPECT_EQ(Texts{}, ClickExpecting(IDC_BACKUP_USER_INFO_2_BROWSE, 0));
    EXPECT_EQ(part, robot::ControlText(dialog, IDC_BACKUP_USER_INFO_2));
    Click(dialog, IDCANCEL);
    EXPECT_EQ(0, Closed());
}

TEST_F(BackupDialogTest, SplitBackupChecksEachPartAndItsVaultInformation) {
    std::string vault = File("Kovara_Ann.udf", 100), part1 = File("KeyPart1_Ann.kovdev", 426),
                part2 = File("KeyPart2_Ann.kovdev", 426), info1 = File("VaultInfo_Ann.vault", 512),
                info2 = File("VaultInfo_Ann2.vault", 512), missing = folder.File("gone.vault");
    Open();
    Click(dialog, IDC_BACKUP_SPLIT);
    const struct {
        int field;
        std::string path;
        const char *missing;
    } steps[] = {
        {IDC_BACKUP_VAULT_FILE, vault, "You must select the \"Vault File Name\"."},
        {IDC_BACKUP_USER_INFO_1, part1, "You must select the Part 1 backup of \"User Information File[*.kovdev]\"."},
        {IDC_BACKUP_VAULT_INFO_1, info1, "You must select the Part 1 backup of \"Vault Information File[*.vault]\"."},
        {IDC_BACKUP_USER_INFO_2, part2, "You must select the Part 2 backup of \"User Information File[*.kovdev]\"."},
        {IDC_BACKUP_VAULT_INFO_2, info2, "You must select the Part 2 backup of \"Vault Information File[*.vault]\"."},
    };
    for (const auto &step : steps) {
        EXPECT_EQ(Texts{step.missing}, ClickExpecting(IDOK, 1));
        robot::SetControlText(dialog, step.field, step.path.c_str());
    }

    // The vault information files may change between the choice and "OK".
    robot::SetControlText(dialog, IDC_BACKUP_VAULT_INFO_1, missing.c_str());
    EXPECT_EQ(Texts{"The selected Backup of Vault Information File [Part 1] is not accessible."},
              ClickExpecting(IDOK, 1));
    robot::SetControlText(dialog, IDC_BACKUP_VAULT_INFO_1, info1.c_str());
    WriteBytes(info1, Pattern(511, 1));
    EXPECT_EQ(Texts{"The selected Backup of Vault Information File [Part 1] is corrupt! "}, ClickExpecting(IDOK, 1));
    WriteBytes(info1, Pattern(512, 1));
    DeleteFileA(info2.c_str());
    EXPECT_EQ(Texts{"The selected Backup of Vault Information File [Part 2] is not accessible."},
              ClickExpecting(IDOK, 1));
    WriteBytes(info2, Pattern(100, 1));
    EXPECT_EQ(Texts{"The selected Backup of Vault Information File [Part 2] is corrupt! "}, ClickExpecting(IDOK, 1));
    WriteBytes(info2, Pattern(512, 1));
    EXPECT_EQ(Texts{}, ClickExpecting(IDOK, 0));
    EXPECT_EQ(1, Closed());

    EXPECT_EQ(1, choice.split);
    EXPECT_EQ(vault, choice.vaultPath);
    EXPECT_EQ(part1, choice.userInfoPath);
    EXPECT_EQ(info1, choice.vaultInfoPath);
    EXPECT_EQ(part2, choice.userInfoPart2Path);
    EXPECT_EQ(info2, choice.vaultInfoPart2Path);
}

namespace {

// "Use Backup" from the main window: the command runs on a worker thread, as
// the main window's own thread would run it, while the test drives the dialog.
class UseBackupTest : public BackupDialogTest {
protected:
    TestUser ann{"Ann", "pw of ann", folder.File("Kovara_Ann.udf"), 41};
    std::unique_ptr<MainWindowUnderTest> main;
    std::string info = folder.File("Ann.vault");
    ChosenDrive drive = {0, 'A'};
    LoggedInUser loggedInUser = {};

    UseBackupTest() { main = StartMainWindow(answerer); }
    void SetUp() override {
        StartFromIdleDriver(folder);
        MakeVaultFile(ann.vaultPath, ann.vaultKey, 5 * 1048576);
        WriteBytes(info, VaultInfoFor(ann.vaultPath, ann.keyBlock));
    }
    void TearDown() override {
        if (dialog && IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        if (worker.joinable()) worker.join();
        main.reset();
        answerer.Finish();
        LeaveIdleDriver();
    }
    void Start() {
        worker = std::thread(
            [this] { result = Told(main->window(), LogInFromBackup(main->window(), &drive, &loggedInUser)); });
        dialog = robot::WaitForWindow("#32770", kDialogCaption);
        ASSERT_TRUE(dialog != NULL);
    }
    // OK on the filled dialog; the log-in then runs. Returns its boxes.
    Texts Finish(int expected, size_t boxes) {
        size_t before = answerer.Boxes().size();
        for (size_t i = 0; i < boxes; ++i) answerer.Answer(IDOK);
        Click(dialog, IDOK);
        worker.join();
        EXPECT_EQ(expected, result);
        EXPECT_EQ(0u, answerer.PendingAnswers());
        return robot::BoxTextsFrom(answerer, before);
    }
    void ChooseSplit(bool swapped) {
        Bytes part1(ann.record.begin(), ann.record.begin() + 426), part2(ann.record.begin() + 426, ann.record.end());
        std::string p1 = folder.File("KeyPart1_Ann.kovdev"), p2 = folder.File("KeyPart2_Ann.kovdev");
        WriteBytes(p1, part1);
        WriteBytes(p2, part2);
        Click(dialog, IDC_BACKUP_SPLIT);
        Pick("Select Vault File", ann.vaultPath);
        Click(dialog, IDC_BACKUP_VAULT_BROWSE);
        Pick("Select User Information File [Part 1]", swapped ? p2 : p1);
        Click(dialog, IDC_BACKUP_USER_INFO_1_BROWSE);
        Pick("Select Vault Information File [Part 1]", info);
        Click(dialog, IDC_BACKUP_VAULT_INFO_1_BROWSE);
        Pick("Select User Information File [Part 2]", swapped ? p1 : p2);
        Click(dialog, IDC_BACKUP_USER_INFO_2_BROWSE);
        Pick("Select Vault Information File [Part 2]", info);
        Click(dialog, IDC_BACKUP_VAULT_INFO_2_BROWSE);
    }
};

}  // namespace

TEST_F(UseBackupTest, EmptyFieldsAreRefusedBeforeTheDialogOpens) {
    main->Type("", "pw of ann");
    answerer.Answer(IDOK);
    EXPECT_EQ(0, Told(main->window(), LogInFromBackup(main->window(), &drive, &loggedInUser)));
    main->Type("Ann", "");
    answerer.Answer(IDOK);
    EXPECT_EQ(0, Told(main->window(), LogInFromBackup(main->window(), &drive, &loggedInUser)));
    auto boxes = answerer.Boxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Please enter Username.", boxes[0].text);
    EXPECT_EQ("Please enter Password.", boxes[1].text);
    EXPECT_EQ(0, dialogsOpened);
}

TEST_F(UseBackupTest, WholeBackupOpensTheChosenVault) {
    std::string user = folder.File("KovdevTokenKey.user");
    WriteBytes(user, ann.record);
    main->Type("Ann", "pw of ann");
    Start();
    Click(dialog, IDC_BACKUP_SINGLE);
    Pick("Select Vault File", ann.vaultPath);
    Click(dialog, IDC_BACKUP_VAULT_BROWSE);
    Pick("Select User Information File", user);
    Click(dialog, IDC_BACKUP_USER_INFO_BROWSE);
    Pick("Select Vault Information File", info);
    Click(dialog, IDC_BACKUP_VAULT_INFO_BROWSE);
    Texts texts = Finish(1, 1);  // only the note about My Documents
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(0u, texts[0].find("Unable to determine path of your personal folder"));
    EXPECT_EQ(1, g_openVault.vaultOpen);
    EXPECT_STREQ("Ann", loggedInUser.name);
    EXPECT_EQ(std::string(101, '0') + '\0', std::string(g_loginPassword, kHeldPasswordSize))
        << "overwritten with the digit 0, terminator kept";
}

TEST_F(UseBackupTest, SplitBackupOpensOnlyWithItsPartsInOrder) {
    main->Type("Ann", "pw of ann");
    Start();
    ChooseSplit(true);
    EXPECT_EQ(Texts{"Either Username or Password is incorrect.\nEnsure that you selected backup part 1 as [Part 1] "
                    "and backup part2 as [Part 2]."},
              Finish(0, 1));
    EXPECT_EQ(0, g_openVault.vaultOpen);

    main->Type("Ann", "pw of ann");
    Start();
    ChooseSplit(false);
    Texts texts = Finish(1, 1);
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(1, g_openVault.vaultOpen);
    EXPECT_STREQ("Ann", loggedInUser.name);
}

TEST_F(UseBackupTest, CancelledDialogLogsNothingIn) {
    main->Type("Ann", "pw of ann");
    Start();
    Click(dialog, IDCANCEL);
    worker.join();
    EXPECT_EQ(0, result);
    EXPECT_TRUE(answerer.Boxes().empty());
    EXPECT_STREQ("", loggedInUser.name);
    EXPECT_EQ(0, g_openVault.vaultOpen);
}
