// The token steps of a log-in: authorising the token's use, and reading the
// user information record from the token.
#pragma once
#include <windows.h>
#include <stddef.h>

// Runs the "Kovara - Authorise Token Use" dialog; 1 with the token password
// (NUL-terminated inside passwordSize bytes), 0 when the user cancelled.
int AuthoriseTokenUse(HWND owner, char *tokenPassword, size_t passwordSize);

// Reads the record of the token's key object. When the token holds two (a
// replacement was cut off between its two steps), the one that password opens
// for vaultPath is taken, else the first; without a password, the first.
int ReadUserInfoFromToken(HWND owner, const char *tokenPassword, unsigned char *record852,
                          const char *password = nullptr, const char *vaultPath = nullptr);
