// The password recovery questions, asked while a user is created with the
// recovery option.
#pragma once
#include <windows.h>

// Runs "Kovara - Password Recovery" for the new user and writes the user's
// recovery file from the password and the three answers. 1 when the file was
// written; 0 when the user went back or closed the dialog.
int RunRecoveryQuestions(HWND owner, const char *userName, const char *password);
