// Every outcome each token operation can return has a text of its own. The
// words themselves are checked where the operations run (the Wine flows).
#include <gtest/gtest.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "token/core/token_messages.h"

namespace {

struct Operation {
    TokenMessageContext context;
    std::vector<TokenOutcome> failures;  // what the operation can end in
};

std::vector<TokenOutcome> Range(TokenOutcome first, TokenOutcome last) {
    std::vector<TokenOutcome> outcomes;
    for (int o = first; o <= last; ++o)
        if (o != kTokenAllDeclined) outcomes.push_back(static_cast<TokenOutcome>(o));
    return outcomes;
}

const std::vector<TokenOutcome> kKeySearch = {kTokenFindInitFailed, kTokenFindFailed,  kTokenSizeFailed,
                                              kTokenValueNoMemory,  kTokenValueFailed, kTokenDestroyFailed};

const Operation kOperations[] = {
    {kTestingLibrary, Range(kTokenFileNotAccessible, kTokenNoTokenInfo)},
    {kSelectingToken, Range(kTokenFileNotAccessible, kTokenNotFoundConnected)},
    {kOpeningSession, Range(kTokenFileNotAccessible, kTokenLoginFailed)},
    {kReadingKey, Range(kTokenFindInitFailed, kTokenNotKovaraKey)},
    {kWritingKey, {kTokenDeviceMemory, kTokenCreateFailed}},
    {kPreparingToken, kKeySearch},
    {kDeletingKey, kKeySearch},
};

// The registered token "Maker" S1 while "Other" S2 is the one connected.
struct ConnectedToken {
    TokenIdentity connected;
    TokenMessageArgs args;
    ConnectedToken() {
        memset(&connected, 0, sizeof connected);
        strcpy(connected.manufacturerId, "Other");
        strcpy(connected.serialNumber, "S2");
        args = {"EToken", "C:\\lib.dll", "Maker", "S1", &connected};
    }
};

TEST(TokenMessages, EveryOutcomeOfEachOperationHasItsOwnText) {
    ConnectedToken token;
    const TokenMessageArgs &args = token.args;
    for (const Operation &operation : kOperations) {
        EXPECT_EQ("", TokenMessage(operation.context, kTokenOk, args)) << operation.context;
        EXPECT_EQ("", TokenMessage(operation.context, kTokenAllDeclined, args)) << operation.context;
        std::set<std::string> texts;
        for (TokenOutcome outcome : operation.failures) {
            std::string text = TokenMessage(operation.context, outcome, args);
            EXPECT_FALSE(text.empty()) << "context " << operation.context << ", outcome " << outcome;
            EXPECT_TRUE(texts.insert(text).second)
                << "context " << operation.context << ", outcome " << outcome << " repeats: " << text;
        }
    }
}

TEST(TokenMessages, TextsNameTheTokenTheyAreAbout) {
    ConnectedToken token;
    const TokenMessageArgs &args = token.args;
    std::string mismatch = TokenMessage(kOpeningSession, kTokenMismatch, args);
    for (const char *field : {"Maker", "S1", "Other", "S2"})
        EXPECT_NE(std::string::npos, mismatch.find(field)) << field;
    for (TokenMessageContext context : {kTestingLibrary, kSelectingToken, kOpeningSession}) {
        std::string text = TokenMessage(context, kTokenFileNotAccessible, args);
        EXPECT_NE(std::string::npos, text.find("EToken")) << context;
        EXPECT_NE(std::string::npos, text.find("C:\\lib.dll")) << context;
    }
    TokenIdentity choice;
    memset(&choice, 0, sizeof choice);
    strcpy(choice.label, "Label A");
    strcpy(choice.model, "M1");
    std::string question = TokenChoiceQuestion(choice);
    EXPECT_NE(std::string::npos, question.find("Label A"));
    EXPECT_NE(std::string::npos, question.find("M1"));
    EXPECT_NE(std::string::npos, TokenNotRegisteredMessage("EToken").find("EToken"));
}

}  // namespace
