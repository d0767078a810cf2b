// The texts shown for the outcomes of the token operations. Which operation
// asks decides the prefix and, for some outcomes, the wording.
#pragma once
#include <string>

#include "token/core/token_binding.h"

enum TokenMessageContext {
    kTestingLibrary,  // a library being tested before it is registered
    kSelectingToken,  // fixing which token is meant
    kOpeningSession,  // opening a session on the selected token
    kReadingKey,      // reading the key object
    kWritingKey,      // creating the key object
    kPreparingToken,  // clearing the token for a new key object
    kDeletingKey,     // deleting the key object
};

struct TokenMessageArgs {
    const char *name;                // token name
    const char *path;                // library path
    const char *manufacturerId;      // of the selected token
    const char *serialNumber;        // of the selected token
    const TokenIdentity *connected;  // token found instead of the selected one
};

// The message for outcome in context; empty when the outcome shows nothing.
std::string TokenMessage(TokenMessageContext context, TokenOutcome outcome, const TokenMessageArgs &args);
// The question offering one of several connected tokens.
std::string TokenChoiceQuestion(const TokenIdentity &token);
// The message when no library value is registered for the token name.
std::string TokenNotRegisteredMessage(const char *name);
