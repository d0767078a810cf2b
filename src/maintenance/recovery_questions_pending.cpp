// Placeholder until the recovery questions dialog lands: says so and reports
// that no recovery file was written, so creation stops cleanly.
#include "maintenance/recovery_questions.h"

int RunRecoveryQuestions(HWND owner, const char* userName, const char* password) {
    MessageBoxA(owner, "Password Recovery Help is not available in this build.", "Kovara",
                MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL);
    return 0;
}
