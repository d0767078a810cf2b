// The creation pass under Wine: the software token, the stand-in vault driver
// (behind the volume shim), the stand-in format library and the robot. Each
// flow types the new-user page, answers the dialogs and boxes of the pass,
// and checks what the pass left on disk, in the registry and in the driver.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "crypto/win/random_win.h"
#include "driver_fixture.h"
#include "import_patch.h"
#include "key_fixture.h"
#include "keys/files/key_files.h"
#include "keys/files/recovery_file_path.h"
#include "keys/log_in/log_in.h"
#include "keys/core/user_info_record.h"
#include "main_window_under_test.h"
#include "maintenance/creation/create_user.h"
#include "maintenance/recovery/recovery_questions.h"
#include "maintenance/registry/registry_settings.h"
#include "ntfs_check.h"
#include "resources/resource.h"
#include "robot.h"
#include "told.h"
#include "shell/manager/lock_vault.h"
#include "shell/state/open_vault.h"
#include "shell/state/process_state.h"
#include "token/operations/token_operations.h"
#include "token_test_support.h"
#include "volume_shim.h"

namespace {

const char kPin[] = "s3cret";
const char kPassword[] = "pw of ann";
const unsigned kSizeMb = 8;
const char kMyDocuments[] = "Unable to determine path of your personal folder";
const char kConfirm[] = "You have selected a create a new vault:";
const char kDriverBusy[] =
    "Kovara driver is either in use or is not accessible.\nCheck that the vault may already be open."
    "\nDesired vault cannot be opened.";
const char kCreationError[] = "There was error creating new user.";

std::string g_recoveryWritten;
// Stands in for the recovery questions: writes a recovery file.
int WriteRecoveryFile(HWND, const char *user, const char *) {
    char path[MAX_PATH];
    if (!RecoveryFilePathOf(user, path, sizeof path)) return 0;
    WriteBytes(path, Bytes(332, 7));
    g_recoveryWritten = path;
    return 1;
}

void SetFormatFault(const char *fault) {
    char path[MAX_PATH];
    GetSystemDirectoryA(path, MAX_PATH);
    strcat(path, "\\fmifs-fault.txt");
    if (!fault) {
        DeleteFileA(path);
        return;
    }
    WriteBytes(path, Bytes(fault, fault + strlen(fault)));
}

class CreationTest : public ::testing::Test {
protected:
    RegisteredSoftToken token{SoftSlotSection("1", "capacity = 8192\n", kPin)};
    ScratchFolder folder;
    ScratchFolder backups;
    robot::Answerer answerer;
    std::unique_ptr<MainWindowUnderTest> window;
    HWND main = NULL;
    std::string container;
    CreationCalls calls = {WriteRecoveryFile, LockVault, ShowOutcomeBox};
    CreatedUser created;

    // What the tests do in the dialogs of the pass (on the robot thread).
    std::string vaultSize = "8";
    std::function<void(HWND)> beforeFormat = [](HWND) {};
    std::function<void(HWND)> backupChoice = [](HWND dialog) { robot::PressButton(dialog, IDNO); };
    std::function<void(HWND)> recoveryDialog = [](HWND dialog) { robot::PressButton(dialog, IDC_RECOVERY_BACK); };
    int authoriseButton = IDC_TOKEN_OK;
    int formatButton = IDOK;
    std::string name = "Ann", password = kPassword;
    std::atomic<int> setupShown{0};

    CreationTest() {
        answerer.OnDialog(kMainWindowUnderTestCaption, [](HWND) {});
        answerer.OnDialog("Kovara - Authorise Token Use", [this](HWND dialog) {
            robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, kPin);
            robot::PressButton(dialog, authoriseButton);
        });
        answerer.OnDialog("Kovara - Password Recovery", [this](HWND dialog) { recoveryDialog(dialog); });
        answerer.OnDialog("Kovara - Setup Your Vault", [this](HWND dialog) {
            ++setupShown;
            robot::SetControlText(dialog, IDC_VAULT_SIZE, vaultSize.c_str());
            if (setupShown == 1) robot::Screenshot("creation-setup-your-vault-dialog");
            robot::PressButton(dialog, IDOK);
        });
        answerer.OnDialog("Kovara - Vault Created", [this](HWND dialog) {
            robot::Screenshot("creation-vault-created");
            beforeFormat(dialog);
            robot::PressButton(dialog, formatButton);
        });
        answerer.OnDialog("Kovara - User Information Backup", [this](HWND dialog) { backupChoice(dialog); });
        window.reset(new MainWindowUnderTest());
        main = window->window();
        SendDlgItemMessageA(main, IDC_CREATION_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 20));
        SendDlgItemMessageA(main, IDC_CREATION_PROGRESS, PBM_SETSTEP, 1, 0);
    }

    void SetUp() override {
        static const int patched = InstallVolumeShim();  // once per process
        ASSERT_GT(patched, 0);
        drivertest::ReleaseEveryVault();
        SetFormatFault(NULL);
        ASSERT_EQ(0, RandomStart());
        memset(&g_process, 0, sizeof g_process);
        memset(&g_openVault, 0, sizeof g_openVault);
        strcpy(g_process.programFolder, folder.path.c_str());
        for (const char *sub : {"Vault", "Key", "Prf"}) CreateDirectoryA(folder.File(sub).c_str(), NULL);
        container = folder.File("Vault\\Kovara_Ann.udf");
        UnregisterVault("Ann");
        ASSERT_EQ(1, SelectToken(NULL, "Soft"));
    }
    void TearDown() override {
        window.reset();
        answerer.Finish();
        SetFormatFault(NULL);
        drivertest::SetOpenFiles(0);
        drivertest::ReleaseEveryVault();
        ClearOpenVault();
        UnregisterVault("Ann");
        ClearRegisteredTokens();
        for (const char *file : {"Key\\Ann.vault", "PRF\\Ann.prf", "Vault\\Kovara_Ann.udf"}) {
            SetFileAttributesA(folder.File(file).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(folder.File(file).c_str());
        }
    }

    // Types the page and runs the pass; every box is answered from `answers`
    // in order. Returns the texts of the boxes shown.
    std::vector<std::string> Create(int expected, const std::vector<int> &answers, const char *reconfirm = kPassword,
                                    bool recovery = false) {
        SetDlgItemTextA(main, IDC_NEW_USER_NAME, name.c_str());
        SetDlgItemTextA(main, IDC_NEW_PASSWORD, password.c_str());
        SetDlgItemTextA(main, IDC_RECONFIRM_PASSWORD, reconfirm);
        size_t before = answerer.Boxes().size();
        for (int answer : answers) answerer.Answer(answer);
        MaintenanceOutcome outcome = CreateUser(main, recovery ? 1 : 0, calls, &created);
        FinishCreationPage(main, outcome);
        EXPECT_EQ(expected, outcome == kMaintenanceOk ? 1 : 0);
        EXPECT_EQ(0u, answerer.PendingAnswers());
        char left[16] = "unread";
        GetDlgItemTextA(main, IDC_NEW_PASSWORD, left, sizeof left);
        EXPECT_STREQ("", left) << "the password stays in the page";
        GetDlgItemTextA(main, IDC_RECONFIRM_PASSWORD, left, sizeof left);
        EXPECT_STREQ("", left) << "the reconfirmed password stays in the page";
        std::vector<std::string> texts = robot::BoxTextsFrom(answerer, before);
        // Whatever the outcome, the page is usable again and its progress at 0.
        EXPECT_EQ(0, SendDlgItemMessageA(main, IDC_CREATION_PROGRESS, PBM_GETPOS, 0, 0));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_CREATE_NEXT)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_CREATE_CANCEL)));
        EXPECT_EQ(Bytes(852, 0), Bytes(g_userInfoBackupBuffer, g_userInfoBackupBuffer + 852));
        return texts;
    }

    // Nothing of the user is left but the token key object (and, when the
    // container could not be locked, the container).
    void ExpectNothingLeft(bool containerStays = false) {
        char registered[kPathSize];
        EXPECT_EQ(0, FindVault("Ann", registered, sizeof registered)) << "DefVaults value left";
        EXPECT_FALSE(FileExists(folder.File("Key\\Ann.vault")));
        EXPECT_FALSE(FileExists(folder.File("PRF\\Ann.prf")));
        EXPECT_EQ(containerStays, FileExists(container));
    }

    // The vault key, from the record as the token holds it.
    Bytes VaultKeyFrom(const Bytes &record) {
        Bytes keyBlock(256), key(32);
        OpenUserKeyBlock(record.data(), kPassword, keyBlock.data());
        ComputeVaultKey(keyBlock.data(), 256, key.data());
        return key;
    }

    void ExpectNtfsContainer(const Bytes &vaultKey) {
        NtfsReport report = CheckNtfsContainer(container, vaultKey.data());
        ASSERT_TRUE(report.ran);
        EXPECT_EQ("Kovara", report.volumeName);
        EXPECT_EQ(4096u, report.clusterSize);
        EXPECT_EQ(kSizeMb * 1048576ull / 4096 - 1, report.clusters);
        EXPECT_NE(std::string::npos, report.listing.find("$MFT"));
    }

    void TypeLogIn() {
        SetDlgItemTextA(main, IDC_LOGIN_USER, "Ann");
        SetDlgItemTextA(main, IDC_LOGIN_PASSWORD, kPassword);
    }
};

using Texts = std::vector<std::string>;

// Wine cannot refuse a registry write, so the registration of step 4 is
// refused just below the Win32 call: the test program's own import of
// RegSetValueExA is pointed, for as long as this object lives, at a stand-in
// that refuses the value named after the new user and passes on every other.
using RegSetValueExAFn = LONG(WINAPI *)(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD);
RegSetValueExAFn g_realRegSetValue = nullptr;
std::atomic<int> g_refusedRegistryWrites{0};

LONG WINAPI RefuseUserValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size) {
    if (name && strcmp(name, "Ann") == 0) {
        ++g_refusedRegistryWrites;
        return ERROR_ACCESS_DENIED;
    }
    return g_realRegSetValue(key, name, reserved, type, data, size);
}

class RegistryWriteRefusal {
public:
    RegistryWriteRefusal() {
        g_realRegSetValue =
            reinterpret_cast<RegSetValueExAFn>(ReplaceImport("RegSetValueExA", reinterpret_cast<void *>(&RefuseUserValue)));
    }
    ~RegistryWriteRefusal() {
        if (g_realRegSetValue) ReplaceImport("RegSetValueExA", reinterpret_cast<void *>(g_realRegSetValue));
    }
    bool Installed() const { return g_realRegSetValue != nullptr; }
};

bool StartsWith(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

// Picks Single or Split Backup in the backup dialog (on the robot thread) and
// waits until the choice has enabled its location field.
void ChooseBackup(HWND dialog, int option, int field) {
    robot::PressButton(dialog, option);
    EXPECT_TRUE(robot::WaitUntil([=] { return robot::IsControlEnabled(dialog, field); }, robot::kWaitMs,
                                 "the backup option enables its location field"));
}

}  // namespace

// A whole creation with a single backup; then the vault is locked, the
// container is a genuine NTFS volume under the new user's key, and the new
// user logs in.
TEST_F(CreationTest, WholeCreationWithSingleBackupThenLogIn) {
    backupChoice = [this](HWND dialog) {
        ChooseBackup(dialog, IDC_CREATION_BACKUP_SINGLE, IDC_CREATION_BACKUP_LOCATION);
        robot::SetControlText(dialog, IDC_CREATION_BACKUP_LOCATION, backups.path.c_str());
        robot::Screenshot("creation-user-information-backup");
        robot::PressButton(dialog, IDYES);
    };
    Texts texts = Create(1, {IDYES, IDOK, IDOK, IDOK});
    ASSERT_EQ(4u, texts.size());
    EXPECT_TRUE(StartsWith(texts[0], kConfirm));
    EXPECT_TRUE(StartsWith(texts[1], kMyDocuments));
    std::string userBackup = backups.File("KovdevTokenKey.user"), vaultBackup = backups.File("Ann.vault");
    EXPECT_EQ("Backup created successfully!\n\nUser Information Backup File:\n" + userBackup +
                  "\n\nVault Information Backup File:\n" + vaultBackup,
              texts[2]);
    EXPECT_TRUE(StartsWith(texts[3], kMyDocuments));

    EXPECT_STREQ("Ann", created.name);
    EXPECT_EQ(container, created.vaultPath);
    char registered[kPathSize];
    ASSERT_EQ(1, FindVault("Ann", registered, sizeof registered));
    EXPECT_EQ(container, registered);
    KovdevInspect state;
    ASSERT_TRUE(drivertest::Inspect(&state));
    EXPECT_EQ(1u, state.vaultOpen);
    EXPECT_EQ(kSizeMb * 1048576ull, state.volumeBytes);
    EXPECT_EQ(kSizeMb * 1048576ll, drivertest::FileSizeOf(container));

    Bytes record = ReadBytes(userBackup);
    ASSERT_EQ(852u, record.size());
    EXPECT_EQ(1, UserInfoAcceptsPassword(record.data(), kPassword, container.c_str()));
    EXPECT_EQ(ReadBytes(folder.File("Key\\Ann.vault")), ReadBytes(vaultBackup));
    EXPECT_EQ(512u, ReadBytes(vaultBackup).size());

    ASSERT_EQ(1, LockVault(main, g_openVault.driveLetter));
    ExpectNtfsContainer(VaultKeyFrom(record));

    TypeLogIn();
    answerer.Answer(IDOK);
    ChosenDrive drive = {0, 'A'};
    LoggedInUser loggedIn;
    EXPECT_EQ(1, Told(main, LogIn(main, &drive, &loggedIn)));
    ASSERT_TRUE(drivertest::Inspect(&state));
    EXPECT_EQ(1u, state.vaultOpen);
}

// The same with a split backup into two folders, then a log-in from it.
TEST_F(CreationTest, WholeCreationWithSplitBackupThenLogInFromIt) {
    ScratchFolder second;
    backupChoice = [&](HWND dialog) {
        ChooseBackup(dialog, IDC_CREATION_BACKUP_SPLIT, IDC_CREATION_BACKUP_LOCATION_2);
        robot::SetControlText(dialog, IDC_CREATION_BACKUP_LOCATION_1, backups.path.c_str());
        robot::SetControlText(dialog, IDC_CREATION_BACKUP_LOCATION_2, (second.path + "\\").c_str());
        robot::PressButton(dialog, IDYES);
    };
    Texts texts = Create(1, {IDYES, IDOK, IDOK, IDOK});
    ASSERT_EQ(4u, texts.size());
    std::string part1 = backups.File("KeyPart1_Ann.kovdev"), info1 = backups.File("VaultInfo_Ann.vault");
    std::string part2 = second.File("KeyPart2_Ann.kovdev"), info2 = second.File("VaultInfo_Ann.vault");
    EXPECT_EQ("Split Backup created successfully!\n\nPart 1 comprises of files:\n1: " + part1 + "\n2: " + info1 +
                  "\n\nPart 2 comprises of files:\n1: " + part2 + "\n2: " + info2,
              texts[2]);
    Bytes first = ReadBytes(part1), last = ReadBytes(part2);
    ASSERT_EQ(426u, first.size());
    ASSERT_EQ(426u, last.size());
    Bytes record = first;
    record.insert(record.end(), last.begin(), last.end());
    EXPECT_EQ(1, UserInfoAcceptsPassword(record.data(), kPassword, container.c_str()));
    EXPECT_EQ(ReadBytes(folder.File("Key\\Ann.vault")), ReadBytes(info1));
    EXPECT_EQ(ReadBytes(info1), ReadBytes(info2));

    ASSERT_EQ(1, LockVault(main, g_openVault.driveLetter));
    ExpectNtfsContainer(VaultKeyFrom(record));

    BackupChoice backup;
    memset(&backup, 0, sizeof backup);
    backup.split = 1;
    strcpy(backup.vaultPath, container.c_str());
    strcpy(backup.userInfoPath, part1.c_str());
    strcpy(backup.vaultInfoPath, info1.c_str());
    strcpy(backup.userInfoPart2Path, part2.c_str());
    strcpy(backup.vaultInfoPart2Path, info2.c_str());
    TypeLogIn();
    answerer.Answer(IDOK);
    ChosenDrive drive = {0, 'A'};
    LoggedInUser loggedIn;
    EXPECT_EQ(1, Told(main, LogInFromChosenBackup(main, backup, &drive, &loggedIn)));
    EXPECT_STREQ("Ann", loggedIn.name);
}

// The checks before anything is written refuse, in order, and write nothing.
TEST_F(CreationTest, ChecksBeforeAnythingIsWritten) {
    const struct {
        const char *name, *password, *reconfirm, *refusal;
    } fields[] = {
        {"", kPassword, kPassword, "Please enter a Username."},
        {"Ann", "", kPassword, "Please enter a Password."},
        {"Ann", kPassword, "", "Please enter a Reconfirm Password."},
        {"Ann", kPassword, "pw of Ann", "Two given passwords do not match."},
    };
    for (const auto &row : fields) {
        name = row.name;
        password = row.password;
        EXPECT_EQ(Texts{row.refusal}, Create(0, {IDOK}, row.reconfirm)) << row.refusal;
    }
    name = "Ann";
    password = kPassword;

    WriteBytes(folder.File("PRF\\Ann.prf"), Bytes(332, 1));
    EXPECT_EQ(Texts{"Selected Username exists.\nSelect some other Username."}, Create(0, {IDOK}));
    DeleteFileA(folder.File("PRF\\Ann.prf").c_str());

    ASSERT_EQ(1, RegisterVault("Ann", "x"));  // a single character is no registration
    EXPECT_EQ(Texts{"Two given passwords do not match."}, Create(0, {IDOK}, "pw"));
    ASSERT_EQ(1, RegisterVault("Ann", "C:\\elsewhere.udf"));
    EXPECT_EQ(Texts{"Selected Username exists.\nSelect some other Username."}, Create(0, {IDOK}));
    UnregisterVault("Ann");

    RemoveDirectoryA(folder.File("Vault").c_str());
    EXPECT_EQ(Texts{"Vault sub-folder not found in program folder.\nEither this folder was removed or is not "
                    "accessible."},
              Create(0, {IDOK}));
    EXPECT_EQ(0, setupShown);
    ExpectNothingLeft();
}

// Cancelling Setup Your Vault after the recovery questions removes the
// recovery file they wrote.
TEST_F(CreationTest, CancelAfterRecoveryRemovesTheRecoveryFile) {
    answerer.OnDialog("Kovara - Setup Your Vault", [](HWND dialog) { robot::PressButton(dialog, IDCANCEL); });
    g_recoveryWritten.clear();
    EXPECT_EQ(Texts{}, Create(0, {}, kPassword, true));
    EXPECT_EQ(folder.File("PRF\\Ann.prf"), g_recoveryWritten);
    ExpectNothingLeft();
}

// Failures of the creation steps, each a row: the fault injected through a
// stand-in (and taken away after the row), the boxes answered, the boxes
// shown (nullptr: any text; else the text or its beginning), and what must be
// left: nothing the pass made but the token key object, except that a vault
// that could not be locked stays open with its container.
TEST_F(CreationTest, FaultsOfThePass) {
    drivertest::TempFolder other;
    char busy = 0;
    RegistryWriteRefusal *refusal = nullptr;
    const struct Row {
        const char *what;
        std::function<void()> fault;
        std::vector<int> answers;
        std::vector<const char *> texts;
        bool containerStays;
    } rows[] = {
        {"the token is full", [&] { token.Configure(SoftSlotSection("1", "capacity = 100\n", kPin)); },
         {IDYES, IDOK, IDOK},
         {kConfirm, "Not enough free memory to store key object on token.", "Error creating new user.\nTry Again."},
         false},
        {"the token key cannot be read", [&] { token.Configure(SoftSlotSection("1", "fail = getattribute\n", kPin)); },
         {IDYES, IDOK, IDOK}, {kConfirm, nullptr, "Error creating new user.\nTry Again."}, false},
        // Step 4: the recovery file already written goes, and no container is made.
        {"the registry refuses the registration",
         [&] {
             refusal = new RegistryWriteRefusal;
             ASSERT_TRUE(refusal->Installed()) << "the test program imports RegSetValueExA";
             g_refusedRegistryWrites = 0;
         },
         {IDYES, IDOK},
         {kConfirm,
          "Unable to create program registry entry.\nCheck your user permissions on this system."
          "\nNew user can not be created."},
         false},
        {"the driver already serves a vault",
         [&] {
             busy = drivertest::FreeLetter();
             ASSERT_EQ(0u, drivertest::OpenVaultOn(busy, other.path + "\\busy.udf", 5));
         },
         {IDYES, IDOK}, {kConfirm, kDriverBusy}, false},
        {"the format fails", [] { SetFormatFault("done-failure"); }, {IDYES, IDOK, IDOK},
         {kConfirm, nullptr,
          "The vault was not formatted.\nTo successfully create a user, the vault must be formatted after "
          "creation.\n\nUser not created."},
         false},
        {"the new vault cannot be locked", [&] { beforeFormat = [](HWND) { drivertest::SetOpenFiles(1); }; },
         {IDYES, IDOK, IDOK}, {kConfirm, nullptr, kCreationError}, true},
        {"the vault information cannot be written", [&] { RemoveDirectoryA(folder.File("Key").c_str()); },
         {IDYES, IDOK, IDOK}, {kConfirm, nullptr, kCreationError}, false},
        {"the split backup fails",
         [&] {
             backupChoice = [this](HWND dialog) {
                 ChooseBackup(dialog, IDC_CREATION_BACKUP_SPLIT, IDC_CREATION_BACKUP_LOCATION_2);
                 robot::SetControlText(dialog, IDC_CREATION_BACKUP_LOCATION_1, backups.path.c_str());
                 robot::SetControlText(dialog, IDC_CREATION_BACKUP_LOCATION_2, backups.File("missing").c_str());
                 robot::PressButton(dialog, IDYES);
             };
         },
         {IDYES, IDOK, IDOK, IDOK},
         {kConfirm, nullptr, "Error creating backup.",
          "There was error creating split backup.\nNew user creation aborted."},
         false},
        {"the second open is refused",
         [&] {
             backupChoice = [&](HWND dialog) {
                 busy = drivertest::FreeLetter();
                 drivertest::OpenVaultOn(busy, other.path + "\\busy.udf", 5);
                 robot::PressButton(dialog, IDNO);
             };
         },
         {IDYES, IDOK, IDOK, IDOK},
         {kConfirm, nullptr, kDriverBusy,
          "There was error opening the vault.\nNew User Creation aborted.\n\nClose program, relaunch program "
          "then create new user."},
         false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        g_recoveryWritten.clear();
        row.fault();
        Texts texts = Create(0, row.answers, kPassword, true);
        ASSERT_EQ(row.texts.size(), texts.size()) << ::testing::PrintToString(texts);
        for (size_t i = 0; i < texts.size(); ++i)
            if (row.texts[i]) EXPECT_TRUE(StartsWith(texts[i], row.texts[i])) << texts[i];
        EXPECT_EQ(folder.File("PRF\\Ann.prf"), g_recoveryWritten) << "the recovery questions ran first";
        ExpectNothingLeft(row.containerStays);
        EXPECT_FALSE(FileExists(backups.File("KeyPart1_Ann.kovdev")));
        KovdevInspect state;
        ASSERT_TRUE(drivertest::Inspect(&state));
        EXPECT_EQ(row.containerStays ? 1u : busy ? 1u : 0u, state.vaultOpen);

        // The fault goes, with what the row left: the token starts empty again.
        if (refusal) EXPECT_EQ(1, g_refusedRegistryWrites.load());
        delete refusal;
        refusal = nullptr;
        if (busy) drivertest::ResetDriver(busy);
        busy = 0;
        beforeFormat = [](HWND) {};
        backupChoice = [](HWND dialog) { robot::PressButton(dialog, IDNO); };
        SetFormatFault(NULL);
        drivertest::SetOpenFiles(0);
        drivertest::ReleaseEveryVault();
        ClearOpenVault();
        DeleteFileA(container.c_str());
        CreateDirectoryA(folder.File("Key").c_str(), NULL);
        token.Configure(SoftSlotSection("1", "capacity = 8192\n", kPin));
        token.folder.Remove("store-1.dat");
    }
}

// The ways out of the dialogs of the pass, each a row: what the row does in
// the dialogs, the outcome, the boxes it shows (nullptr: any text; else the
// text or, for the confirmation and My Documents boxes, its beginning).
TEST_F(CreationTest, WaysOutOfTheDialogsOfThePass) {
    std::thread recoveryDriver;
    const struct Row {
        const char *what;
        std::function<void()> arrange;
        bool recovery;
        int expected;
        std::vector<int> answers;
        std::vector<const char *> texts;
    } rows[] = {
        {"token authorisation cancelled", [&] { authoriseButton = IDC_TOKEN_CANCEL; }, true, 0, {}, {}},
        {"recovery questions left with Back", [] {}, true, 0, {}, {}},
        {"recovery file unwritable, then Back",
         [&] {
             RemoveDirectoryA(folder.File("Prf").c_str());
             size_t boxes = answerer.Boxes().size();
             // The boxes of a failed save are answered by the robot thread,
             // so the dialog is driven from a thread of its own.
             recoveryDialog = [&, boxes](HWND dialog) {
                 recoveryDriver = std::thread([&, boxes, dialog] {
                     for (int id : {IDC_RECOVERY_ANSWER_1, IDC_RECOVERY_ANSWER_2, IDC_RECOVERY_ANSWER_3})
                         robot::SetControlText(dialog, id, std::to_string(id).c_str());
                     robot::PressButton(dialog, IDC_RECOVERY_NEXT);
                     EXPECT_TRUE(answerer.WaitForBoxes(boxes + 2)) << "the failed save shows its boxes";
                     EXPECT_TRUE(robot::WaitForIdle(dialog));
                     EXPECT_TRUE(IsWindow(dialog)) << "a failed save leaves the questions open";
                     robot::PressButton(dialog, IDC_RECOVERY_BACK);
                 });
             };
         },
         true, 0, {IDOK, IDOK}, {nullptr, "There was error saving Password Recovery Information."}},
        {"Vault Created cancelled", [&] { formatButton = IDCANCEL; }, false, 0, {IDYES, IDOK, IDOK},
         {kConfirm, nullptr,
          "The vault was not formatted.\nTo successfully create a user, the vault must be formatted after "
          "creation.\n\nUser not created."}},
        {"single backup fails, the creation goes on",
         [&] {
             backupChoice = [&](HWND dialog) {
                 ChooseBackup(dialog, IDC_CREATION_BACKUP_SINGLE, IDC_CREATION_BACKUP_LOCATION);
                 robot::SetControlText(dialog, IDC_CREATION_BACKUP_LOCATION, backups.File("missing").c_str());
                 robot::PressButton(dialog, IDYES);
             };
         },
         false, 1, {IDYES, IDOK, IDOK, IDOK},
         {kConfirm, kMyDocuments, "Error creating backup.\nYou can make a backup after log-in.", kMyDocuments}},
    };
    int tokenStore = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        // Every row starts from the same state: an empty token (a store of
        // its own: a failed creation leaves its key on the token), the
        // default answers and a writable Prf folder.
        token.Configure(SoftSlotSection("1", "capacity = 8192\nstore = row-" + std::to_string(++tokenStore) + ".dat\n",
                                        kPin));
        calls.recoveryQuestions = RunRecoveryQuestions;
        authoriseButton = IDC_TOKEN_OK;
        formatButton = IDOK;
        recoveryDialog = [](HWND dialog) { robot::PressButton(dialog, IDC_RECOVERY_BACK); };
        backupChoice = [](HWND dialog) { robot::PressButton(dialog, IDNO); };
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.File("Prf").c_str()));
        row.arrange();
        Texts texts = Create(row.expected, row.answers, kPassword, row.recovery);
        if (recoveryDriver.joinable()) recoveryDriver.join();
        ASSERT_EQ(row.texts.size(), texts.size()) << ::testing::PrintToString(texts);
        for (size_t i = 0; i < texts.size(); ++i)
            if (row.texts[i]) EXPECT_TRUE(StartsWith(texts[i], row.texts[i])) << texts[i];
        EXPECT_FALSE(FileExists(folder.File("PRF\\Ann.prf")));
        CreateDirectoryA(folder.File("Prf").c_str(), NULL);
        KovdevInspect state;
        ASSERT_TRUE(drivertest::Inspect(&state));
        if (row.expected) {
            char registered[kPathSize];
            EXPECT_EQ(1, FindVault("Ann", registered, sizeof registered));
            EXPECT_EQ(512u, ReadBytes(folder.File("Key\\Ann.vault")).size());
            EXPECT_EQ(1u, state.vaultOpen) << "the vault is open for the new user";
            EXPECT_FALSE(FileExists(backups.File("missing\\KovdevTokenKey.user")));
            EXPECT_FALSE(FileExists(backups.File("missing"))) << "a failed backup leaves nothing behind";
            ASSERT_EQ(1, LockVault(main, g_openVault.driveLetter));
        } else {
            EXPECT_EQ(0u, state.vaultOpen);
            ExpectNothingLeft();
        }
    }
}
