// Process-wide token state of the vault manager: the token the user chose at
// start-up, the library bound for the current operation, the key buffer and
// the outcome flags of the token dialogs. One copy, read and written on the
// user-interface thread.
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

struct TokenState {
    SelectedToken selected;
    char defaultName[kTokenNameLimit];
    TokenBinding binding;
    unsigned char keyBuffer[kTokenKeySize];

    int setupNotCompleted;
    int authorisationNotCompleted;
    int holdsKey;
    int useNotAuthorised;
};

extern TokenState g_token;
