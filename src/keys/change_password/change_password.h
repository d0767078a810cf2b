// Change of password: the user key block is sealed again under the new
// password; the salt, the identity block and the vault stay as they are.
#pragma once
#include <windows.h>

// Replaces the record on the token by one sealed under newPassword once the
// old password has been proved. 1 on success, 0 after a message (the token
// then holds the record it held before, unless the message says otherwise).
int ChangePassword(HWND owner, const char *oldPassword, const char *newPassword, const char *userName,
                   const char *tokenPassword);

// Runs the "Kovara - Change Password" dialog (template 549).
void RunChangePasswordDialog(HWND owner);
