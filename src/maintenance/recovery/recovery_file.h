// The password-recovery file of a user and the recovery of a forgotten
// password from it.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "keys/files/key_files.h"
#include "keys/files/recovery_file_path.h"

// The three answers typed, taken byte for byte: empty answers or two equal
// ones are refused with their message. 1 when they may be used.
int AnswersAccepted(HWND owner, const char answers[3][kAnswerFieldSize]);

// Opens the recovery file with the three answers and shows the password when
// every answer is right. 1 when it was shown, 0 after a message.
int OpenRecoveryFile(HWND owner, const char *path, const char *userName, const char answers[3][kAnswerFieldSize]);

// Runs "Kovara - Recover Your Password" (template 462).
void RunRecoverPasswordDialog(HWND owner);
