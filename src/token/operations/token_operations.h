// Token operations of the vault manager. Each shows its own messages (owner
// as given) and returns 1 on success, 0 on failure.
#pragma once
#include <windows.h>

// Loads the library at path, checks a token reports, and unloads it again.
int TestTokenLibrary(HWND owner, const char *name, const char *path);
// Fixes the manufacturer ID and serial number of the token the user means.
int SelectToken(HWND owner, const char *name);

// Binds the selected token's library, opens a read/write session on that very
// token and logs in. On 0 nothing is left bound.
int OpenTokenSession(HWND owner, const char *password);
void CloseTokenSession();
// Reads the key object's value into g_token.keyBuffer; the session stays open.
int ReadTokenKey(HWND owner, unsigned long expectedLength, int silent);
// Reads the values of every key object that passes the check (up to two)
// into values; the count, or 0 after the message ReadTokenKey shows.
int ReadTokenKeys(HWND owner, unsigned char values[2][900]);
int WriteTokenKey(HWND owner, const unsigned char *record852);
int StoreTokenKey(HWND owner, const unsigned char *record852, const char *password);
// 1 when the token holds no key object afterwards (asking before deleting one).
int PrepareTokenForNewKey(HWND owner, const char *password, unsigned long expectedLength);
// 1 when no key object is left; deletes without asking.
int DeleteTokenKey(HWND owner, const char *password);
