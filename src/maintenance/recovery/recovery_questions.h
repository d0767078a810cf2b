// The password recovery questions dialog, run while a user is created.
#pragma once
#include <windows.h>

// 1 when the recovery file was written, 0 when cancelled or failed (after
// its own message).
int RunRecoveryQuestions(HWND owner, const char *userName, const char *password);
