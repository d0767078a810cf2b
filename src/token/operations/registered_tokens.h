// The registry list of registered tokens under
// HKEY_LOCAL_MACHINE\SOFTWARE\Kovara\RegisteredTokens: token name -> library
// path, and DefaultToken -> name of the default token.
#pragma once
#include <windows.h>

extern const char kRegisteredTokensKey[];  // "SOFTWARE\\Kovara\\RegisteredTokens"
extern const char kDefaultTokenValue[];    // "DefaultToken"
extern const char kNoTokenEntry[];         // the list entry shown when none is registered

// Number of usable token names; each is added to the combo box when given.
int ListRegisteredTokens(HWND comboBox);
int CountRegisteredTokens();
// 1 when DefaultToken names a token with a library; the name is kept.
int ReadDefaultToken();
// 1 when name has a library value; name and path become the selected token's.
int LookUpTokenLibrary(const char *name);
// Fills the "Select Token" list of the dialog and selects the default entry.
int FillTokenList(HWND dialog);
