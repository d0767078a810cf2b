// Texts of the token outcomes that differ by the asking operation.
#include <gtest/gtest.h>
#include <string.h>

#include "token/core/token_messages.h"

namespace {

const char kUsePrefix[] =
    "You have selected to use token EToken.\n"
    "This token is setup to use the library file C:\\WINDOWS\\system32\\etpkcs11.dll.";
const char kReconnect[] =
    "\nEnsure you have connected the correct token properly."
    "\nRemoving and re-inserting the token may resolve the problem.";

TokenMessageArgs Args() {
    TokenMessageArgs a = {"EToken", "C:\\WINDOWS\\system32\\etpkcs11.dll", "Maker", "S1", nullptr};
    return a;
}

TEST(TokenMessages, LoadFailureIsWordedPerOperation) {
    EXPECT_EQ(
        "You have selected to initialize token EToken, to use the library file "
        "C:\\WINDOWS\\system32\\etpkcs11.dll.\n"
        "Could not either find, access or load the selected library file.\n\n"
        "The token is either not correctly installed or not properly connected.",
        TokenMessage(kTestingLibrary, kTokenLoadFailed, Args()));
    EXPECT_EQ(std::string("The token is either not correctly installed or not properly connected."
                          "\n\n") +
                  kUsePrefix + "\nCould not either find, access or load this library file.",
              TokenMessage(kSelectingToken, kTokenLoadFailed, Args()));
}

TEST(TokenMessages, SlotMessagesDependOnTheOperation) {
    EXPECT_EQ(std::string(kUsePrefix) + "\n\nUnable to access slot with connected token." + kReconnect,
              TokenMessage(kSelectingToken, kTokenNoPresentSlot, Args()));
    EXPECT_EQ(std::string(kUsePrefix) + "\n\nUnable to access any slot with connected token." + kReconnect,
              TokenMessage(kOpeningSession, kTokenNoPresentSlot, Args()));
    EXPECT_EQ("Not enought system memory.", TokenMessage(kOpeningSession, kTokenNoMemory, Args()));
    EXPECT_EQ(std::string(kUsePrefix) +
                  "\n\nUnable to access connected token slot information."
                  "\nEnsure you have connected the correct token.",
              TokenMessage(kOpeningSession, kTokenNoConnectedSlotInfo, Args()));
}

TEST(TokenMessages, IdentityMessagesNameBothTokens) {
    TokenIdentity connected;
    memset(&connected, 0, sizeof connected);
    strcpy(connected.manufacturerId, "Other");
    strcpy(connected.serialNumber, "S2");
    TokenMessageArgs a = Args();
    a.connected = &connected;
    EXPECT_EQ(
        "The token found connected is different than the one selected by you.\n"
        "Selected Token Information:\n\nToken Manuf ID: Maker\nToken Serial No.: S1\n"
        "Connected Token Information:\n\nToken Manuf ID: Other\nToken Serial No.: S2\n\n"
        "Ensure you have connected the correct token.",
        TokenMessage(kOpeningSession, kTokenMismatch, a));
    EXPECT_EQ(
        "The token selected by you not found connected.\n"
        "Selected Token Information:\n\nToken Manuf ID: Maker\nToken Serial No.: S1\n\n"
        "Ensure you have connected the correct token.",
        TokenMessage(kOpeningSession, kTokenNotFoundConnected, a));
}

TEST(TokenMessages, KeyObjectTextsDifferBetweenReadingPreparingAndDeleting) {
    TokenMessageArgs a = Args();
    EXPECT_EQ("Find objects on the token failed.", TokenMessage(kReadingKey, kTokenFindFailed, a));
    EXPECT_EQ("Find key objects on the token failed.", TokenMessage(kPreparingToken, kTokenFindFailed, a));
    EXPECT_EQ("Find key objects on the token failed..\n", TokenMessage(kReadingKey, kTokenFindFinalFailed, a));
    EXPECT_EQ("Failed to get attribute size of a key object on the token.",
              TokenMessage(kPreparingToken, kTokenSizeFailed, a));
    EXPECT_EQ("Failed to get attribute size of key object on the token.",
              TokenMessage(kDeletingKey, kTokenSizeFailed, a));
    EXPECT_EQ("Failed to read attribute of an existing key object on the token.",
              TokenMessage(kPreparingToken, kTokenValueFailed, a));
    EXPECT_EQ("Failed to read attribute of existing key object on the token.",
              TokenMessage(kDeletingKey, kTokenValueFailed, a));
    EXPECT_EQ("Failed to get attribute of key object on the token.", TokenMessage(kReadingKey, kTokenValueFailed, a));
    EXPECT_EQ("Not enough free memory to store key object on token.", TokenMessage(kWritingKey, kTokenDeviceMemory, a));
    EXPECT_EQ("Failed to store key object on token.", TokenMessage(kWritingKey, kTokenCreateFailed, a));
    EXPECT_EQ("", TokenMessage(kSelectingToken, kTokenAllDeclined, a));
}

TEST(TokenMessages, ChoiceQuestionListsTheTokenFields) {
    TokenIdentity t;
    strcpy(t.label, "Label A");
    strcpy(t.manufacturerId, "Maker");
    strcpy(t.model, "M1");
    strcpy(t.serialNumber, "0001");
    EXPECT_EQ(
        "More than one token found connected.\nConnected tokens shall be enumerated one by one.\n"
        "Click \"Yes\" for the token that you would like to use.\n\n"
        "Label\t\t\t\tLabel A\nManufacturer ID\t\t\tMaker\nToken Model\t\t\tM1\n"
        "Token Serial Number\t\t0001",
        TokenChoiceQuestion(t));
}

}  // namespace
