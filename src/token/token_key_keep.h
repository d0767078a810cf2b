// Replacing the token key without losing it: the record the token held is
// kept by the caller and stored back when the new one cannot be stored.
#pragma once
#include <windows.h>

// Reads the record of the token's key object quietly into record852. 1 when
// the token holds a readable Kovara key, 0 when it holds none (or another
// object), -1 when no session could be opened (after its message). The token
// key buffer is zero-filled on every path.
int ReadTokenRecordQuietly(HWND owner, const char *password, unsigned char *record852);

// Stores newRecord after the caller removed the token's key object. When that
// store fails (after its message) and oldRecord is given, oldRecord is stored
// back; then unchangedText is shown, or lostText when even that failed.
// 1 when newRecord is on the token.
int StoreTokenKeyOrPutBack(HWND owner, const unsigned char *newRecord, const unsigned char *oldRecord,
                           const char *password, const char *unchangedText, const char *lostText);
