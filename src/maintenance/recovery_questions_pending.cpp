// Placeholder until the recovery questions dialog lands: says so and reports
// that no recovery file was written, so creation stops cleanly.
#include "maintenance/recovery_questions.h"

#include "shell/ui/message_box.h"

int RunRecoveryQuestions(HWND owner, const char* userName, const char* password) {
    ShowMessageBox(owner, "Password Recovery Help is not available in this build.", kKovaraCaption,
                   MB_OK | MB_ICONINFORMATION);
    return 0;
}
