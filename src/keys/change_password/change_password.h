// Change of password: the user key block is sealed again under the new
// password; the salt, the identity block and the vault stay as they are.
#pragma once
#include <windows.h>

#include "keys/core/keys_outcome.h"

// Replaces the record on the token by one sealed under newPassword once the
// old password has been proved. Shows nothing itself but the token's own
// steps (owner is theirs); kKeysToldByToken when a token step failed (the
// token then holds the record it held before, unless its message says
// otherwise).
KeysResult ChangePassword(HWND owner, const char *oldPassword, const char *newPassword, const char *userName,
                          const char *tokenPassword);

// Runs the "Kovara - Change Password" dialog (template 549).
void RunChangePasswordDialog(HWND owner);
