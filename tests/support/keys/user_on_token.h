// A user whose record is on the software token, with the vault registered in
// DefVaults and the program folder in a scratch folder; dialogs run on their
// own thread and the test thread answers their boxes one at a time.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "key_fixture.h"
#include "token_test_support.h"

extern const char kUserTokenPin[];

class UserOnTokenTest : public ::testing::Test {
protected:
    explicit UserOnTokenTest(const std::string &slotExtra = "");
    void SetUp() override;
    void TearDown() override;

    // The record on the token (quiet read); empty when it holds none.
    Bytes TokenRecord();
    // Arms the software token with room for one key object only; after the
    // next destroy, `creates` creates fail as on a full token.
    void ArmFullAfterDestroy(int creates);
    // Adds a second key object, as a replacement cut off between creating the
    // new object and destroying the old one leaves it.
    void AddKeyObject(const Bytes &record);
    // The number of key objects on the token.
    int KeyObjectCount();

    RegisteredSoftToken token;
    ScratchFolder folder;
    TestUser ann;
    DialogRunner runner;
};

// A folder for backups just below the drive root, emptied and removed at the
// end: Wine's folder browser selects folders given to it only that far down.
struct BackupFolder {
    std::string path = "C:\\kovara-backup-test";
    BackupFolder();
    ~BackupFolder();
    std::string File(const std::string &name) const { return path + "\\" + name; }
};

// Waits for the folder browser, selects path in it and confirms (or cancels
// when path is null).
void AnswerFolderBrowser(const char *path);
