// The token dialogs of the vault manager. Their outcomes are the flags of
// token_state.h, which callers set before running them.
#pragma once
#include <windows.h>

// "Kovara - Setup Your Token": clears g_token.setupNotCompleted when a token
// was tested and registered.
void RunSetupTokenDialog(HWND owner);
// "Kovara - Token Authorisation": clears g_token.authorisationNotCompleted when
// the user proved the token password; sets g_token.holdsKey.
void RunTokenAuthorisationDialog(HWND owner);
// "Kovara - Authorise Token Use": on success clears g_token.useNotAuthorised
// and returns a zero-filled 103-byte block holding the checked password, to be
// given back with ReleaseTokenPassword; otherwise null.
char *RunAuthoriseTokenUseDialog(HWND owner);
void ReleaseTokenPassword(char *block);
// Restoring a token key from a backup, offered by the authorisation dialog.
void RunRestoreKeyOnTokenDialog(HWND owner);
