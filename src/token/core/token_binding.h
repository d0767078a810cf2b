// Binding a PKCS#11 library: load it, get its function list, initialise it
// and list the slots that hold a token. Nothing stays bound after a failure.
#pragma once
#include "token/core/pkcs11.h"
#include "token/core/token_outcome.h"

struct TokenBinding {
    void *module;
    CK_FUNCTION_LIST *functions;
    int initialized;    // C_Initialize succeeded: C_Finalize is owed
    CK_SLOT_ID *slots;  // slots holding a token
    CK_ULONG slotCount;
    CK_SESSION_HANDLE session;
};

// Readable forms of a token's blank-padded fields, full width, blanks kept.
struct TokenIdentity {
    char label[33];
    char manufacturerId[33];
    char model[17];
    char serialNumber[17];
};

// checkFile: look at the file's attributes before loading it.
TokenOutcome BindTokenLibrary(const char *path, int checkFile, TokenBinding *binding);
// Frees the slot list, finalises the library when it was initialised and unloads it.
void UnbindTokenLibrary(TokenBinding *binding);
void FreeTokenSlotList(TokenBinding *binding);

// Copies a blank-padded field into a zero-terminated string of the same width.
void TokenFieldText(const CK_UTF8CHAR *field, unsigned width, char *text);
void TokenIdentityOf(const CK_TOKEN_INFO *info, TokenIdentity *identity);

// Loads the library at path and checks that one of its slots holds a token
// that reports its information. Always unbinds before returning.
TokenOutcome ProbeTokenLibrary(const char *path);

// Asked once per connected token when several report; returns 1 to take it.
typedef int (*TokenChooser)(void *context, const TokenIdentity *token);

// Fixes which physical token is meant: the only one connected, the only one
// that reports, or the one the chooser accepts (kTokenAllDeclined when none).
// Always unbinds before returning.
TokenOutcome IdentifyToken(const char *path, TokenChooser choose, void *context, TokenIdentity *chosen);
