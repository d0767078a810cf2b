// Token operations of the vault manager with the software token: outcomes,
// messages in order, and nothing left bound afterwards.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "token/core/token_messages.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"
#include "token_test_support.h"

namespace {

const char kUseStart[] = "You have selected to use token Soft.\nThis token is setup to use the library file ";
const char kMaker[] = "Kovara Test                     ";

std::string Padded(const std::string &serial) { return serial + std::string(16 - serial.size(), ' '); }

class TokenOperations : public ::testing::Test {
protected:
    RegisteredSoftToken token_{SoftSlotSection("1")};
    std::vector<unsigned char> record_ = std::vector<unsigned char>(kTokenRecordSize);

    void SetUp() override {
        for (size_t i = 0; i < record_.size(); i++) record_[i] = (unsigned char)(i * 13 + 1);
    }
    void TearDown() override {
        EXPECT_EQ(nullptr, g_token.binding.module) << "a library was left bound";
        EXPECT_EQ(nullptr, GetModuleHandleA(token_.library.c_str())) << "the library stayed loaded";
        ClearRegisteredTokens();
    }
    void Select() {
        robot::Answerer none;
        ASSERT_EQ(1, SelectToken(nullptr, "Soft"));
    }
    std::string Prefix() { return kUseStart + token_.library + "."; }
    // A data object with the key label and the given value.
    void PutRawObject(const std::vector<unsigned char> &value) {
        ASSERT_EQ(1, OpenTokenSession(nullptr, "1234"));
        CK_OBJECT_CLASS cls = CKO_DATA;
        CK_BBOOL yes = CK_TRUE;
        CK_ATTRIBUTE a[5] = {{CKA_CLASS, &cls, sizeof cls},
                             {CKA_LABEL, (void *)"Kovara AES", 11},
                             {CKA_VALUE, (void *)value.data(), (CK_ULONG)value.size()},
                             {CKA_TOKEN, &yes, 1},
                             {CKA_PRIVATE, &yes, 1}};
        CK_OBJECT_HANDLE h;
        EXPECT_EQ(CKR_OK, g_token.binding.functions->C_CreateObject(g_token.binding.session, a, 5, &h));
        CloseTokenSession();
    }
    // 1 when a readable token key is on the token, after a quiet read.
    int HoldsKey() {
        if (!OpenTokenSession(nullptr, "1234")) return -1;
        memset(g_token.keyBuffer, 0, sizeof g_token.keyBuffer);
        int read = ReadTokenKey(nullptr, kTokenKeySize, 1);
        CloseTokenSession();
        return read;
    }
};

TEST_F(TokenOperations, TestingALibraryReportsWhyItCannotBeUsed) {
    robot::Answerer answerer;
    for (int i = 0; i < 4; i++) answerer.Answer(IDOK);
    std::string missing = token_.folder.dir + "missing.dll";
    EXPECT_EQ(0, TestTokenLibrary(nullptr, "Mine", missing.c_str()));
    char kernel[MAX_PATH];
    GetSystemDirectoryA(kernel, MAX_PATH);
    std::string notToken = std::string(kernel) + "\\kernel32.dll";
    EXPECT_EQ(0, TestTokenLibrary(nullptr, "Mine", notToken.c_str()));
    token_.Configure(SoftSlotSection("1", "present = 0\n"));
    EXPECT_EQ(0, TestTokenLibrary(nullptr, "Mine", token_.library.c_str()));
    token_.Configure(SoftSlotSection("1", "fail = tokeninfo\n"));
    EXPECT_EQ(0, TestTokenLibrary(nullptr, "Mine", token_.library.c_str()));
    token_.Configure(SoftSlotSection("1"));
    EXPECT_EQ(1, TestTokenLibrary(nullptr, "Mine", token_.library.c_str()));
    answerer.Finish();

    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(4u, boxes.size());
    const std::string reconnect =
        "\nEnsure you have connected the correct token properly."
        "\nRemoving and re-inserting the token may resolve the problem.";
    EXPECT_EQ("You have selected to initialize token Mine, to use the library file " + missing +
                  ".\n\nThis library file is not accessible.",
              boxes[0].text);
    EXPECT_EQ("You have selected to initialize token Mine, to use the library file " + notToken +
                  ".\n\nCannot find function GetFunctionList() in this library.",
              boxes[1].text);
    EXPECT_EQ("You have selected to initialize token Mine, to use the library file " + token_.library +
                  ".\n\nUnable to access slot with connected token." + reconnect,
              boxes[2].text);
    EXPECT_EQ("You have selected to initialize token Mine, to use the library file " + token_.library +
                  ".\n\nUnable to access information about the token." + reconnect,
              boxes[3].text);
    for (const robot::Box &b : boxes) {
        EXPECT_EQ("Kovara", b.caption);
        EXPECT_EQ((UINT)MB_ICONWARNING, b.icon);
    }
}

TEST_F(TokenOperations, SelectingOffersSeveralTokensOneByOne) {
    token_.Configure(SoftSlotSection("1") + SoftSlotSection("2"));
    robot::Answerer answerer;
    answerer.Answer(IDNO);
    answerer.Answer(IDNO);
    EXPECT_EQ(0, SelectToken(nullptr, "Soft")) << "declining every token";
    answerer.Answer(IDNO);
    answerer.Answer(IDYES);
    EXPECT_EQ(1, SelectToken(nullptr, "Soft"));
    answerer.Answer(IDOK);
    EXPECT_EQ(0, SelectToken(nullptr, "Unknown"));
    answerer.Finish();

    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(5u, boxes.size());
    EXPECT_EQ(
        "More than one token found connected.\nConnected tokens shall be enumerated one by one.\n"
        "Click \"Yes\" for the token that you would like to use.\n\n"
        "Label\t\t\t\tToken 1                         \n"
        "Manufacturer ID\t\t\tKovara Test                     \n"
        "Token Model\t\t\tSoftToken       \nToken Serial Number\t\t1               ",
        boxes[0].text);
    EXPECT_NE(std::string::npos, boxes[1].text.find("Token Serial Number\t\t2  "));
    EXPECT_EQ((UINT)MB_ICONQUESTION, boxes[1].icon);
    EXPECT_EQ((std::vector<int>{IDYES, IDNO}), boxes[1].buttons);
    EXPECT_EQ(Padded("2"), g_token.selected.serialNumber);
    EXPECT_STREQ(kMaker, g_token.selected.manufacturerId);
    EXPECT_EQ(
        "You have selected to use token Unknown.\nUnable to find the name of the library file to be "
        "used with this token.\n\nTo use this token, setup this token afresh.To setup the token, "
        "click \"Setup New Token\".NOTE: During token setup, data on token remains intact.",
        boxes[4].text);
}

TEST_F(TokenOperations, SessionRefusesWrongPasswordAndOtherTokens) {
    Select();
    robot::Answerer answerer;
    for (int i = 0; i < 3; i++) answerer.Answer(IDOK);
    EXPECT_EQ(0, OpenTokenSession(nullptr, "4321"));
    EXPECT_EQ(nullptr, g_token.binding.module);
    token_.Configure(SoftSlotSection("5"));  // another token plugged in
    EXPECT_EQ(0, OpenTokenSession(nullptr, "1234"));
    token_.Configure(SoftSlotSection("5") + SoftSlotSection("6"));
    EXPECT_EQ(0, OpenTokenSession(nullptr, "1234"));
    answerer.Finish();
    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ("Token authorisation failed.\nToken Password is wrong.", boxes[0].text);
    EXPECT_EQ(
        "The token found connected is different than the one selected by you.\n"
        "Selected Token Information:\n\nToken Manuf ID: " +
            std::string(kMaker) + "\nToken Serial No.: " + Padded("1") +
            "\nConnected Token Information:\n\n"
            "Token Manuf ID: " +
            kMaker + "\nToken Serial No.: " + Padded("5") + "\n\nEnsure you have connected the correct token.",
        boxes[1].text);
    EXPECT_EQ(
        "The token selected by you not found connected.\nSelected Token Information:\n\n"
        "Token Manuf ID: " +
            std::string(kMaker) + "\nToken Serial No.: " + Padded("1") +
            "\n\nEnsure you have connected the correct token.",
        boxes[2].text);
}

TEST_F(TokenOperations, StoredKeyIsReadBackAndMissingKeyIsReportedUnlessSilent) {
    Select();
    robot::Answerer answerer;
    EXPECT_EQ(0, HoldsKey()) << "silent read of an empty token shows nothing";
    ASSERT_EQ(1, StoreTokenKey(nullptr, record_.data(), "1234"));
    ASSERT_EQ(1, HoldsKey());
    EXPECT_EQ(0, memcmp(g_token.keyBuffer, "900", 3));
    EXPECT_EQ(0, memcmp(g_token.keyBuffer + 3, record_.data(), kTokenRecordSize));
    EXPECT_EQ('A', g_token.keyBuffer[899]);

    ASSERT_EQ(1, DeleteTokenKey(nullptr, "1234"));
    answerer.Answer(IDOK);
    ASSERT_EQ(1, OpenTokenSession(nullptr, "1234"));
    EXPECT_EQ(0, ReadTokenKey(nullptr, kTokenKeySize, 0));
    CloseTokenSession();
    answerer.Finish();
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ("No key object found on the token.", answerer.Boxes()[0].text);
}

TEST_F(TokenOperations, FullTokenAndForeignValuesGetTheirMessages) {
    Select();
    robot::Answerer answerer;
    for (int i = 0; i < 3; i++) answerer.Answer(IDOK);
    token_.Configure(SoftSlotSection("1", "capacity = 800\n"));
    EXPECT_EQ(0, StoreTokenKey(nullptr, record_.data(), "1234"));
    token_.Configure(SoftSlotSection("1"));

    std::vector<unsigned char> foreign(kTokenKeySize, 'A');
    memcpy(foreign.data(), "123", 3);
    PutRawObject(foreign);
    for (int silent = 1; silent >= 0; silent--) {
        ASSERT_EQ(1, OpenTokenSession(nullptr, "1234"));
        EXPECT_EQ(0, ReadTokenKey(nullptr, kTokenKeySize, silent));
        CloseTokenSession();
    }
    ASSERT_EQ(1, DeleteTokenKey(nullptr, "1234"));
    PutRawObject(std::vector<unsigned char>(64, '9'));
    ASSERT_EQ(1, OpenTokenSession(nullptr, "1234"));
    EXPECT_EQ(0, ReadTokenKey(nullptr, kTokenKeySize, 0));
    CloseTokenSession();
    answerer.Finish();
    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ("Not enough free memory to store key object on token.", boxes[0].text);
    EXPECT_EQ("The key found on the token is not a Kovara key.", boxes[1].text);
    EXPECT_EQ("The key found on the token is not ok.", boxes[2].text);
}

TEST_F(TokenOperations, PreparingAsksTwiceForAUserKeyAndOnceForAForeignOne) {
    Select();
    robot::Answerer answerer;
    EXPECT_EQ(1, PrepareTokenForNewKey(nullptr, "1234", kTokenKeySize)) << "empty token";
    ASSERT_EQ(1, StoreTokenKey(nullptr, record_.data(), "1234"));
    answerer.Answer(IDYES);
    answerer.Answer(IDNO);
    EXPECT_EQ(0, PrepareTokenForNewKey(nullptr, "1234", kTokenKeySize));
    EXPECT_EQ(1, HoldsKey()) << "declined: the key stays";
    answerer.Answer(IDNO);
    EXPECT_EQ(0, PrepareTokenForNewKey(nullptr, "1234", kTokenKeySize));
    answerer.Answer(IDYES);
    answerer.Answer(IDYES);
    EXPECT_EQ(1, PrepareTokenForNewKey(nullptr, "1234", kTokenKeySize));
    EXPECT_EQ(0, HoldsKey());

    PutRawObject(std::vector<unsigned char>(64, '9'));
    answerer.Answer(IDYES);
    EXPECT_EQ(1, PrepareTokenForNewKey(nullptr, "1234", kTokenKeySize));
    answerer.Finish();

    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(6u, boxes.size());
    const std::string userKey =
        "A user key exists on the token.\n\nWARNING:\nTo create a new key on the connected token, "
        "the existing key shall be deleted.\nOnce deleted, unless you have a backup of this "
        "existing key, you will not be able to open the vaults created with this existing key."
        "\n\nDelete this existing and create new key?";
    EXPECT_EQ(userKey, boxes[0].text);
    EXPECT_EQ("ARE YOU SURE TO DELETE THE EXISTING KEY?", boxes[1].text);
    EXPECT_EQ(userKey, boxes[2].text);
    EXPECT_EQ(
        "A key found on the token has the same label as a Kovara key.\nHowever, this is not a "
        "Kovara key.\n\nTo create a new Kovara key on the connected token, the existing key shall "
        "be deleted.\nDelete this existing and create new key?",
        boxes[5].text);
    for (const robot::Box &b : boxes) {
        EXPECT_EQ("WARNING", b.caption);
        EXPECT_EQ((UINT)MB_ICONWARNING, b.icon);
        EXPECT_EQ((std::vector<int>{IDYES, IDNO}), b.buttons);
    }
}

TEST_F(TokenOperations, AForeignObjectThatCannotBeDeletedHasItsOwnMessage) {
    Select();
    PutRawObject(std::vector<unsigned char>(64, '9'));
    token_.Configure(SoftSlotSection("1", "fail = destroy\n"));
    robot::Answerer answerer;
    answerer.Answer(IDYES);
    answerer.Answer(IDOK);
    EXPECT_EQ(0, PrepareTokenForNewKey(nullptr, "1234", kTokenKeySize));
    answerer.Finish();
    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("WARNING", boxes[0].caption);
    EXPECT_EQ("Failed to delete the existing key object from the token.", boxes[1].text);
    EXPECT_EQ("Kovara", boxes[1].caption);
    EXPECT_EQ((UINT)MB_ICONWARNING, boxes[1].icon);
}

TEST_F(TokenOperations, ReplacingStopsAtARejectedSearchAndAFailedDeletion) {
    Select();
    ASSERT_EQ(1, StoreTokenKey(nullptr, record_.data(), "1234"));
    robot::Answerer answerer;
    // A search the token rejects says nothing about the key on it: storing
    // after it could leave two key objects.
    token_.Configure(SoftSlotSection("1", "fail = findinit\n"));
    answerer.Answer(IDOK);
    answerer.Answer(IDOK);
    EXPECT_EQ(0, PrepareTokenForNewKey(nullptr, "1234", kTokenKeySize));
    EXPECT_EQ(0, DeleteTokenKey(nullptr, "1234"));
    token_.Configure(SoftSlotSection("1", "fail = destroy\n"));
    answerer.Answer(IDYES);
    answerer.Answer(IDYES);
    answerer.Answer(IDOK);
    EXPECT_EQ(0, PrepareTokenForNewKey(nullptr, "1234", kTokenKeySize));
    answerer.Answer(IDOK);
    EXPECT_EQ(0, DeleteTokenKey(nullptr, "1234"));
    token_.Configure(SoftSlotSection("1", "fail = findobjects\n"));
    answerer.Answer(IDOK);
    answerer.Answer(IDOK);
    EXPECT_EQ(0, PrepareTokenForNewKey(nullptr, "1234", kTokenKeySize));
    EXPECT_EQ(0, DeleteTokenKey(nullptr, "1234"));
    token_.Configure(SoftSlotSection("1"));
    EXPECT_EQ(1, HoldsKey()) << "nothing was deleted";
    answerer.Finish();
    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(8u, boxes.size());
    EXPECT_EQ("Failed to initialize key search on the token.", boxes[0].text);
    EXPECT_EQ("Kovara", boxes[0].caption);
    EXPECT_EQ((UINT)MB_ICONWARNING, boxes[0].icon);
    EXPECT_EQ("Failed to initialize key search on the token.", boxes[1].text);
    EXPECT_EQ("WARNING", boxes[2].caption);
    EXPECT_EQ("WARNING", boxes[3].caption);
    EXPECT_EQ("Failed to delete existing key object on the token.", boxes[4].text);
    EXPECT_EQ("Kovara", boxes[4].caption);
    EXPECT_EQ("Failed to delete existing key object on the token.", boxes[5].text);
    EXPECT_EQ("Find key objects on the token failed.", boxes[6].text);
    EXPECT_EQ("Find key objects on the token failed.", boxes[7].text);
}

}  // namespace
