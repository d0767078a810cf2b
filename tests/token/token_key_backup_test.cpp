// Token key backup into a folder of the user's choice, and its restore onto
// the token through "Kovara - Restore Key On Token".
#include <gtest/gtest.h>
#include <string.h>

#include <memory>
#include <string>

#include "import_patch.h"
#include "told.h"
#include "keys/files/key_files.h"
#include "user_on_token.h"
#include "resources/resource.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_key_backup.h"
#include "token/operations/token_operations.h"

namespace {

const char kRestoreCaption[] = "Kovara - Restore Key On Token";
const char kDriveRootBackup[] = "C:\\KovdevTokenKey.user";

// A disk that fills after half the record, and a disk that cannot take the
// written bytes: stand-ins for the backup's WriteFile and FlushFileBuffers.
BOOL WINAPI WriteHalfThenFail(HANDLE file, LPCVOID data, DWORD length, LPDWORD written, LPOVERLAPPED overlapped) {
    // The program's own import of WriteFile points here: the real one is
    // taken from the system module.
    static auto *const realWrite = reinterpret_cast<decltype(&WriteFile)>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "WriteFile")));
    DWORD half = 0;
    realWrite(file, data, length / 2, &half, overlapped);
    if (written) *written = half;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

BOOL WINAPI RefuseFlush(HANDLE) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
}

class TokenKeyBackup : public UserOnTokenTest {
protected:
    void TearDown() override {
        SetFileAttributesA(kDriveRootBackup, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(kDriveRootBackup);
        UserOnTokenTest::TearDown();
    }
};

TEST_F(TokenKeyBackup, DriveRootGetsOneBackslashAndASecondBackupAsksForAnotherFolder) {
    DeleteFileA(kDriveRootBackup);
    BackupFolder backups;
    int result = -1;
    runner.Start([&] { result = BackupTokenKey(nullptr, "KovdevTokenKey", ".user", kUserTokenPin); },
                 "Browse for Folder");
    AnswerFolderBrowser("C:\\");
    robot::Box done = AnswerBox(IDOK);
    EXPECT_EQ(std::string("Backup created successfully!\nCreated in location:\n") + kDriveRootBackup, done.text);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, done.icon);
    ASSERT_TRUE(runner.Finish());
    EXPECT_EQ(1, result);
    EXPECT_EQ(ann.record, ReadBytes(kDriveRootBackup));

    // The same folder again: refused, and the browser comes back.
    result = -1;
    runner.Start([&] { result = BackupTokenKey(nullptr, "KovdevTokenKey", ".user", kUserTokenPin); },
                 "Browse for Folder");
    AnswerFolderBrowser("C:\\");
    EXPECT_EQ("A key backup exists in selected location.\nSelect again.", AnswerBox(IDOK).text);
    AnswerFolderBrowser(backups.path.c_str());
    EXPECT_EQ("Backup created successfully!\nCreated in location:\n" + backups.File("KovdevTokenKey.user"),
              AnswerBox(IDOK).text);
    ASSERT_TRUE(runner.Finish());
    EXPECT_EQ(1, result);
    EXPECT_EQ(ann.record, ReadBytes(backups.File("KovdevTokenKey.user")));
    EXPECT_EQ(ann.record, ReadBytes(kDriveRootBackup)) << "the first backup is never overwritten";

    // The creation fails (a folder of the backup's name in the way), the
    // write stops halfway, the flush is refused: each fails with the system's
    // reason and leaves no backup file behind.
    BackupFolder blocked;
    blocked.path = "C:\\kovara-backup-blocked";
    CreateDirectoryA(blocked.path.c_str(), nullptr);
    const std::string target = blocked.File("KovdevTokenKey.user");
    struct Row {
        const char *fault, *function;
        void *standIn;
    } rows[] = {
        {"creation", nullptr, nullptr},
        {"write", "WriteFile", (void *)&WriteHalfThenFail},
        {"flush", "FlushFileBuffers", (void *)&RefuseFlush},
    };
    for (const Row &row : rows) {
        if (!row.function) CreateDirectoryA(target.c_str(), nullptr);
        std::unique_ptr<ImportPatch> fault;
        if (row.function) {
            fault.reset(new ImportPatch(row.function, row.standIn));
            ASSERT_TRUE(fault->Installed()) << row.fault;
        }
        result = -1;
        runner.Start([&] { result = BackupTokenKey(nullptr, "KovdevTokenKey", ".user", kUserTokenPin); },
                     "Browse for Folder");
        AnswerFolderBrowser(blocked.path.c_str());
        EXPECT_EQ(0u, AnswerBox(IDOK).text.find("Error creating backup.\nTry Again.\n\n\nSystem Reported Error:\n"))
            << row.fault;
        ASSERT_TRUE(runner.Finish()) << row.fault;
        fault.reset();
        EXPECT_EQ(0, result) << row.fault;
        if (!row.function) RemoveDirectoryA(target.c_str());
        EXPECT_FALSE(FileExists(target)) << row.fault << ": no partial backup is left";
    }
}

class RestoreKey : public UserOnTokenTest {
protected:
    std::string backup = folder.File("ann.user");

    HWND Open() {
        HWND dialog = runner.Start([] { RunRestoreKeyOnTokenDialog(nullptr); }, kRestoreCaption);
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }
    void Fill(HWND dialog, const std::string &file, const char *user, const char *password,
              const char *tokenPassword = kUserTokenPin) {
        robot::SetControlText(dialog, IDC_RESTORE_FILE, file.c_str());
        robot::SetControlText(dialog, IDC_RESTORE_USER, user);
        robot::SetControlText(dialog, IDC_RESTORE_PASSWORD, password);
        robot::SetControlText(dialog, IDC_RESTORE_TOKEN_PASSWORD, tokenPassword);
    }
    std::string Press(HWND dialog) {
        robot::PressButton(dialog, IDC_RESTORE_OK);
        return AnswerBox(IDOK).text;
    }
};

TEST_F(RestoreKey, RefusalsLeaveTheTokenAsItWas) {
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("First select the file to restore.\nClick \"Browse\" to select the file.", Press(dialog));
    Fill(dialog, backup, "", "pw of ann");
    EXPECT_EQ("Username is required.", Press(dialog));
    Fill(dialog, backup, "Ann", "");
    EXPECT_EQ("Enter your password.", Press(dialog));
    Fill(dialog, backup, "Ann", "pw of ann", "");
    EXPECT_EQ("Enter your token password.", Press(dialog));

    // An empty backup, and one another program holds unshared.
    const std::string noData = "The file selected to restore either does not contain data or is not accessible.";
    WriteBytes(backup, Bytes());
    Fill(dialog, backup, "Ann", "pw of ann");
    EXPECT_EQ(noData, Press(dialog)) << "0 bytes";
    WriteBytes(backup, ann.record);
    HANDLE held = CreateFileA(backup.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(noData, Press(dialog)) << "held unshared";
    CloseHandle(held);
    // The registered vault held unshared cannot be read.
    held = CreateFileA(ann.vaultPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(0u, Press(dialog).find("The registered vault for user \"Ann\", either cannot be found or is not "
                                     "accessible.\nIf you entered wrong username, then correct it."));
    CloseHandle(held);

    const std::string integrity = "The file selected to restore failed integrity check.";
    for (size_t size : {851u, 853u}) {
        Bytes file = ann.record;
        file.resize(size, 0);
        WriteBytes(backup, file);
        Fill(dialog, backup, "Ann", "pw of ann");
        EXPECT_EQ(integrity, Press(dialog)) << size << " bytes";
    }
    WriteBytes(backup, ann.record);
    Fill(dialog, backup, "Ann", "pw of Ann");
    EXPECT_EQ("Either Username or Password is wrong.\nOr the file to be restored is corrupt! ", Press(dialog));
    Fill(dialog, backup, "Nobody", "pw of ann");
    EXPECT_EQ(0u, Press(dialog).find("The vault for user \"Nobody\" cannot be found."));
    EXPECT_EQ(ann.record, TokenRecord());
    robot::PressButton(dialog, IDC_RESTORE_CANCEL);
    EXPECT_TRUE(runner.Finish());
}

TEST_F(RestoreKey, AsksTwiceBeforeReplacingAKeyAndChecksTheVaultSize) {
    TestUser renewed("Ann", "renewed pw", ann.vaultPath, 72);  // same vault, another record
    WriteBytes(backup, renewed.record);
    MakeVaultFile(ann.vaultPath, ann.vaultKey, 5 * 1048576 - 1);
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Fill(dialog, backup, "Ann", "renewed pw");
    EXPECT_EQ("The vault data for user \"Ann\", is corrupt.\nThe vault data cannot be validated.", Press(dialog));

    MakeVaultFile(ann.vaultPath, ann.vaultKey, 5 * 1048576);
    robot::PressButton(dialog, IDC_RESTORE_OK);
    robot::Box first = AnswerBox(IDNO, "WARNING");
    EXPECT_EQ(0u, first.text.find("A user key exists on the token."));
    EXPECT_EQ(ann.record, TokenRecord()) << "No to the first question";

    robot::PressButton(dialog, IDC_RESTORE_OK);
    AnswerBox(IDYES, "WARNING");
    EXPECT_EQ("ARE YOU SURE TO DELETE THE EXISTING KEY?", AnswerBox(IDNO, "WARNING").text);
    EXPECT_EQ(ann.record, TokenRecord()) << "No to the second question";
    EXPECT_TRUE(IsWindow(dialog));

    robot::PressButton(dialog, IDC_RESTORE_OK);
    AnswerBox(IDYES, "WARNING");
    AnswerBox(IDYES, "WARNING");
    robot::Box done = AnswerBox(IDOK);
    EXPECT_EQ("Data restored on the token successfully!", done.text);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, done.icon);
    EXPECT_TRUE(runner.Finish());
    EXPECT_EQ(renewed.record, TokenRecord());
}

TEST_F(RestoreKey, RestoredRecordOpensTheVault) {
    WriteBytes(backup, ann.record);
    {
        robot::Answerer quiet;
        ASSERT_EQ(1, DeleteTokenKey(nullptr, kUserTokenPin));
    }
    ASSERT_TRUE(TokenRecord().empty());
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Fill(dialog, backup, "Ann", "pw of ann");
    EXPECT_EQ("Data restored on the token successfully!", Press(dialog));
    EXPECT_TRUE(runner.Finish());

    // Two key objects, as a cut-off replacement leaves them: the restore
    // replaces both by the one it restores.
    AddKeyObject(TestUser("Ann", "renewed pw", ann.vaultPath, 72).record);
    ASSERT_EQ(2, KeyObjectCount());
    dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Fill(dialog, backup, "Ann", "pw of ann");
    robot::PressButton(dialog, IDC_RESTORE_OK);
    AnswerBox(IDYES, "WARNING");
    AnswerBox(IDYES, "WARNING");
    EXPECT_EQ("Data restored on the token successfully!", AnswerBox(IDOK).text);
    EXPECT_TRUE(runner.Finish());
    EXPECT_EQ(1, KeyObjectCount());
    EXPECT_EQ(ann.record, TokenRecord());
    robot::Answerer quiet;
    EXPECT_EQ(1, ToldIdentity(nullptr, CheckUserIdentity(nullptr, "pw of ann", ann.vaultPath.c_str(), kUserTokenPin, 0)));
    EXPECT_EQ(1, Told(nullptr, CheckVaultInfo(nullptr, "pw of ann", ann.vaultPath.c_str(), "Ann", kUserTokenPin, 0)));
}

TEST_F(RestoreKey, ATokenWithRoomForOneKeyGetsTheOldKeyBack) {
    TestUser renewed("Ann", "renewed pw", ann.vaultPath, 72);
    WriteBytes(backup, renewed.record);
    BackupFolder backups;
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Fill(dialog, backup, "Ann", "renewed pw");

    ArmFullAfterDestroy(1);  // the new record fails, the old one goes back
    robot::PressButton(dialog, IDC_RESTORE_OK);
    AnswerBox(IDYES, "WARNING");
    AnswerBox(IDYES, "WARNING");
    EXPECT_EQ("Not enough free memory to store key object on token.", AnswerBox(IDOK).text);
    EXPECT_EQ(
        "The key could not be restored on the token."
        "\nThe key the token held before was stored back: nothing was changed on the token.",
        AnswerBox(IDOK).text);
    EXPECT_EQ(ann.record, TokenRecord());
    EXPECT_TRUE(IsWindow(dialog));

    ArmFullAfterDestroy(99);  // every store refused after the delete
    robot::PressButton(dialog, IDC_RESTORE_OK);
    AnswerBox(IDYES, "WARNING");
    AnswerBox(IDYES, "WARNING");
    EXPECT_EQ("Not enough free memory to store key object on token.", AnswerBox(IDOK).text);
    EXPECT_EQ(
        "The key could not be restored on the token, and the key it held before could not be "
        "stored back.\nThe token holds no key now: restore your token key backup again.",
        AnswerBox(IDOK).text);
    AnswerBox(IDYES);  // save the last copy
    AnswerFolderBrowser(backups.path.c_str());
    EXPECT_EQ(0u, AnswerBox(IDOK).text.find("Backup created successfully!"));
    EXPECT_TRUE(TokenRecord().empty());
    EXPECT_EQ(ann.record, ReadBytes(backups.File("KovdevTokenKey.user")));
    robot::PressButton(dialog, IDC_RESTORE_CANCEL);
    EXPECT_TRUE(runner.Finish());
}

}  // namespace
