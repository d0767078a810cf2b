// The token steps of a log-in: authorising the token's use, and reading the
// user information record from the token.
#pragma once
#include <windows.h>
#include <stddef.h>

// Runs the "Kovara - Authorise Token Use" dialog; 1 with the token password
// (NUL-terminated inside passwordSize bytes), 0 when the user cancelled.
int AuthoriseTokenUse(HWND owner, char *tokenPassword, size_t passwordSize);

int ReadUserInfoFromToken(HWND owner, const char *tokenPassword, unsigned char *record852);
