#include "user_on_token.h"

#include <shlobj.h>
#include <commctrl.h>
#include <string.h>

#include "keys/files/key_files.h"
#include "maintenance/registry/registry_settings.h"
#include "shell/state/process_state.h"
#include "token/operations/token_key_keep.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"

const char kUserTokenPin[] = "s3cret";

UserOnTokenTest::UserOnTokenTest(const std::string &slotExtra)
    : token(SoftSlotSection("1", slotExtra, kUserTokenPin)),
      ann("Ann", "pw of ann", folder.File("Vault\\Kovara_Ann.udf"), 71) {}

void UserOnTokenTest::SetUp() {
    memset(&g_process, 0, sizeof g_process);
    strcpy(g_process.programFolder, folder.path.c_str());
    for (const char *sub : {"Vault", "Key", "PRF"}) CreateDirectoryA(folder.File(sub).c_str(), nullptr);
    MakeVaultFile(ann.vaultPath, ann.vaultKey, 6 * 1048576);
    WriteBytes(folder.File("Key\\Ann.vault"), VaultInfoFor(ann.vaultPath, ann.keyBlock));
    ASSERT_EQ(1, RegisterVault("Ann", ann.vaultPath.c_str()));
    robot::Answerer quiet;
    ASSERT_EQ(1, SelectToken(nullptr, "Soft"));
    ASSERT_EQ(1, SealUserInfo(nullptr, ann.salt.data(), ann.keyBlock.data(), ann.password.c_str(),
                              ann.vaultPath.c_str(), kUserTokenPin));
}

void UserOnTokenTest::TearDown() {
    runner.Stop();
    EXPECT_EQ(nullptr, g_token.binding.module) << "a token library was left bound";
    UnregisterVault("Ann");
    ClearRegisteredTokens();
}

// No answerer here: it would close the dialog under test. The read shows a
// box only when the session cannot be opened.
Bytes UserOnTokenTest::TokenRecord() {
    Bytes record(852);
    if (ReadTokenRecordQuietly(nullptr, kUserTokenPin, record.data()) != 1) return Bytes();
    return record;
}

void UserOnTokenTest::ArmFullAfterDestroy(int creates) {
    token.Configure(SoftSlotSection(
        "1", "capacity = 1000\nfullafterdestroy = " + std::to_string(creates) + "\n", kUserTokenPin));
}

void UserOnTokenTest::AddKeyObject(const Bytes &record) {
    ASSERT_EQ(1, OpenTokenSession(nullptr, kUserTokenPin));
    EXPECT_EQ(1, WriteTokenKey(nullptr, record.data()));
    CloseTokenSession();
}

int UserOnTokenTest::KeyObjectCount() {
    if (!OpenTokenSession(nullptr, kUserTokenPin)) return -1;
    CK_OBJECT_HANDLE handles[2];
    int count = 0;
    TokenOutcome outcome = FindTokenKeyObjects(&g_token.binding, handles, &count);
    CloseTokenSession();
    return outcome == kTokenOk || outcome == kTokenNoKeyObject ? count : -1;
}

static void EmptyBackupFolder(const std::string &path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string file = path + "\\" + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

BackupFolder::BackupFolder() {
    EmptyBackupFolder(path);
    CreateDirectoryA(path.c_str(), nullptr);
}

BackupFolder::~BackupFolder() {
    EmptyBackupFolder(path);
    RemoveDirectoryA(path.c_str());
}

void AnswerFolderBrowser(const char *path) {
    HWND browser = robot::WaitForWindow("#32770", "Browse for Folder");
    ASSERT_NE(nullptr, browser) << "no folder browser appeared";
    if (!path) {
        robot::PressButton(browser, IDCANCEL);
    } else {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
        HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
        char text[260] = "";
        auto selected = [&] {
            TVITEMA tv = {};
            tv.mask = TVIF_TEXT;
            tv.hItem = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
            tv.pszText = text;
            tv.cchTextMax = sizeof text;
            text[0] = '\0';
            return tv.hItem && SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv) && text[0];
        };
        EXPECT_TRUE(robot::WaitUntil(selected, robot::kWaitMs, std::string("the folder browser selects ") + path));
        robot::PressButton(browser, IDOK);
    }
    robot::WaitForClose(browser);
}
