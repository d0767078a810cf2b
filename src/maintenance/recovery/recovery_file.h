// The password-recovery file of a user and the recovery of a forgotten
// password from it.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "keys/files/key_files.h"
#include "keys/files/recovery_file_path.h"
#include "maintenance/messages/maintenance_outcome.h"

// The three answers typed, taken byte for byte: empty answers or two equal
// ones are refused. kMaintenanceOk when they may be used, else
// kRecoveryAnswerMissing or kRecoveryAnswersRepeat.
MaintenanceOutcome AnswersAccepted(const char answers[3][kAnswerFieldSize]);

// Opens userName's recovery file at path with the three answers; shows
// nothing. kPasswordRecovered with the password when every answer is right,
// else kRecoveryFileNotReadable (with the system error), kRecoveryFileCorrupt
// or kRecoveryAnswersWrong. The caller wipes the result's password.
MaintenanceResult OpenRecoveryFile(const char *path, const char *userName, const char answers[3][kAnswerFieldSize]);

// Runs "Kovara - Recover Your Password" (template 462).
void RunRecoverPasswordDialog(HWND owner);
