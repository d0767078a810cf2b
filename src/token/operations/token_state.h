// Process-wide token state of the vault manager: the token the user chose at
// start-up, the library bound for the current operation, the key buffer and
// the outcome flags of the token dialogs.
#pragma once
#include "token/core/token_binding.h"
#include "token/core/token_key_object.h"

enum {
    kTokenNameLimit = 100,  // registered token names up to 99 characters
    kTokenPathLimit = 260,  // library paths up to 259 characters
};

struct SelectedToken {
    char name[kTokenNameLimit];
    char libraryPath[kTokenPathLimit];
    char manufacturerId[33];
    char serialNumber[17];
};

extern SelectedToken g_selectedToken;
extern char g_defaultTokenName[kTokenNameLimit];
extern TokenBinding g_tokenBinding;
extern unsigned char g_tokenKeyBuffer[kTokenKeySize];

extern int g_tokenSetupNotCompleted;
extern int g_tokenAuthorisationNotCompleted;
extern int g_tokenHoldsKey;
extern int g_tokenUseNotAuthorised;
