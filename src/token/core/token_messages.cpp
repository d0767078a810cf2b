#include "token/core/token_messages.h"

static const char kReconnect[] =
    "\nEnsure you have connected the correct token properly."
    "\nRemoving and re-inserting the token may resolve the problem.";
static const char kNotInstalled[] = "The token is either not correctly installed or not properly connected.";
static const char kCorrectToken[] = "\nEnsure you have connected the correct token.";

static std::string Prefix(TokenMessageContext context, const TokenMessageArgs &a) {
    if (context == kTestingLibrary)
        return std::string("You have selected to initialize token ") + a.name + ", " + "to use the library file " +
               a.path + ".";
    return std::string("You have selected to use token ") + a.name + "." +
           "\nThis token is setup to use the library file " + a.path + ".";
}

static std::string SelectedIdentity(const TokenMessageArgs &a) {
    return std::string("\nSelected Token Information:\n") + "\nToken Manuf ID: " + a.manufacturerId +
           "\nToken Serial No.: " + a.serialNumber;
}

// The binding failures whose text is the prefix, a blank line, the detail
// and the advice after it.
struct DetailedFailure {
    TokenOutcome outcome;
    const char *detail;
    const char *advice;
};

static const DetailedFailure kDetailedFailures[] = {
    {kTokenFileNotAccessible, "This library file is not accessible.", ""},
    {kTokenNoGetFunctionList, "Cannot find function GetFunctionList() in this library.", ""},
    {kTokenNoFunctionList, "Cannot find the function list in this library.", ""},
    {kTokenInitializeFailed, "Initialization of this library failed.", ""},
    {kTokenSlotCountFailed, "Unable to access token slots.", kReconnect},
    {kTokenNoSlot, "Unable to access token slot.", kReconnect},
    {kTokenPresentCountFailed, "Unable to access slots with connected token.", kReconnect},
    {kTokenNoPresentSlot, "Unable to access slot with connected token.", kReconnect},
    {kTokenPresentListFailed, "Unable to find any slot having connected token.", kReconnect},
    {kTokenPresentListEmpty, "Unable to find a slot having a connected token.", kReconnect},
    {kTokenNoSlotInfo, "Unable to access slot information.", kReconnect},
    {kTokenNoTokenInfo, "Unable to access information about the token.", kReconnect},
    {kTokenNoConnectedSlotInfo, "Unable to access connected token slot information.", kCorrectToken},
    {kTokenNoConnectedTokenInfo, "Unable to access connected token information.", kCorrectToken},
};

static std::string BindingMessage(TokenMessageContext context, TokenOutcome outcome, const TokenMessageArgs &a) {
    std::string p = Prefix(context, a);
    switch (outcome) {
        case kTokenLoadFailed:
            if (context == kTestingLibrary)
                return p + "\nCould not either find, access or load the selected library file." + "\n\n" +
                       kNotInstalled;
            return std::string(kNotInstalled) + "\n\n" + p +
                   "\nCould not either find, access or load this library file.";
        case kTokenNoPresentSlot:
            if (context == kOpeningSession)
                return p + "\n\nUnable to access any slot with connected token." + kReconnect;
            break;
        case kTokenNoMemory:
            return "Not enought system memory.";
        case kTokenMismatch:
            return std::string("The token found connected is different than the one selected by you.") +
                   SelectedIdentity(a) + "\nConnected Token Information:\n" +
                   "\nToken Manuf ID: " + a.connected->manufacturerId +
                   "\nToken Serial No.: " + a.connected->serialNumber + "\n" + kCorrectToken;
        case kTokenNotFoundConnected:
            return std::string("The token selected by you not found connected.") + SelectedIdentity(a) + "\n" +
                   kCorrectToken;
        case kTokenOpenSessionFailed:
            return "Failed to open a read/write session on the token.";
        case kTokenLoginFailed:
            return "Token authorisation failed.\nToken Password is wrong.";
        default:
            break;
    }
    for (const DetailedFailure &failure : kDetailedFailures)
        if (failure.outcome == outcome) return p + "\n\n" + failure.detail + failure.advice;
    return std::string();
}

static std::string KeyObjectMessage(TokenMessageContext context, TokenOutcome outcome) {
    if (context == kReadingKey) {
        switch (outcome) {
            case kTokenFindInitFailed:
                return "Failed to initialize key search on the token.";
            case kTokenFindFailed:
                return "Find objects on the token failed.";
            case kTokenNoKeyObject:
                return "No key object found on the token.";
            case kTokenFindFinalFailed:
                return "Find key objects on the token failed..\n";
            case kTokenSizeFailed:
                return "Failed to get attribute size of key object on the token.";
            case kTokenValueNoMemory:
                return "Not enough system memory to read token data.";
            case kTokenValueFailed:
                return "Failed to get attribute of key object on the token.";
            case kTokenKeyNotOk:
                return "The key found on the token is not ok.";
            case kTokenNotKovaraKey:
                return "The key found on the token is not a Kovara key.";
            default:
                return std::string();
        }
    }
    if (context == kWritingKey) {
        if (outcome == kTokenDeviceMemory) return "Not enough free memory to store key object on token.";
        if (outcome == kTokenOk) return std::string();
        return "Failed to store key object on token.";
    }
    int preparing = context == kPreparingToken;
    switch (outcome) {
        case kTokenFindInitFailed:
            return "Failed to initialize key search on the token.";
        case kTokenFindFailed:
            return "Find key objects on the token failed.";
        case kTokenSizeFailed:
            return preparing ? "Failed to get attribute size of a key object on the token."
                             : "Failed to get attribute size of key object on the token.";
        case kTokenValueNoMemory:
            return "Not enough system memory to read token data.";
        case kTokenValueFailed:
            return preparing ? "Failed to read attribute of an existing key object on the token."
                             : "Failed to read attribute of existing key object on the token.";
        case kTokenDestroyFailed:
            return "Failed to delete existing key object on the token.";
        default:
            return std::string();
    }
}

std::string TokenMessage(TokenMessageContext context, TokenOutcome outcome, const TokenMessageArgs &args) {
    if (outcome == kTokenOk || outcome == kTokenAllDeclined) return std::string();
    if (context == kTestingLibrary || context == kSelectingToken || context == kOpeningSession)
        return BindingMessage(context, outcome, args);
    return KeyObjectMessage(context, outcome);
}

std::string TokenChoiceQuestion(const TokenIdentity &t) {
    return std::string("More than one token found connected.") + "\nConnected tokens shall be enumerated one by one." +
           "\nClick \"Yes\" for the token that you would like to use." + "\n\nLabel\t\t\t\t" + t.label +
           "\nManufacturer ID\t\t\t" + t.manufacturerId + "\nToken Model\t\t\t" + t.model +
           "\nToken Serial Number\t\t" + t.serialNumber;
}

std::string TokenNotRegisteredMessage(const char *name) {
    return std::string("You have selected to use token ") + name + "." +
           "\nUnable to find the name of the library file to be " + "used with this token." +
           "\n\nTo use this token, setup this token afresh." + "To setup the token, click \"Setup New Token\"." +
           "NOTE: During token setup, data on token remains intact.";
}
