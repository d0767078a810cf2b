// "Kovara - Password Recovery": the three answers that seal the new user's
// password into the recovery file.
#include "maintenance/recovery/recovery_questions.h"

#include <string.h>

#include "keys/files/key_files.h"
#include "crypto/core/secure_wipe.h"
#include "maintenance/messages/maintenance_messages.h"
#include "maintenance/recovery/recovery_file.h"
#include "resources/resource.h"
#include "shell/ui/wait_cursor.h"
#include "shell/ui/white_dialog.h"

namespace {

const int kAnswerIds[3] = {IDC_RECOVERY_ANSWER_1, IDC_RECOVERY_ANSWER_2, IDC_RECOVERY_ANSWER_3};

struct NewUser {
    const char *userName;
    const char *password;
};

void ReadAnswers(HWND dialog, char answers[3][kAnswerFieldSize]) {
    memset(answers, 0, 3 * kAnswerFieldSize);
    for (int k = 0; k < 3; ++k) GetDlgItemTextA(dialog, kAnswerIds[k], answers[k], kAnswerFieldSize);
}

// kMaintenanceOk when the file was written; kRecoveryFileNotWritten (with the
// system error) when the seal failed, kRecoveryNotSaved when no path was made.
MaintenanceResult WriteRecoveryFile(const NewUser &user, const char answers[3][kAnswerFieldSize]) {
    char path[MAX_PATH];
    if (!RecoveryFilePathOf(user.userName, path, sizeof path)) return MaintenanceOutcomeOf(kRecoveryNotSaved);
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
    WaitCursor wait;
    if (SealRecoveryFile(path, user.password, answers)) return MaintenanceOutcomeOf(kMaintenanceOk);
    MaintenanceResult failed = MaintenanceOutcomeOf(kRecoveryFileNotWritten);
    failed.systemError = GetLastError();
    return failed;
}

void OnNext(HWND dialog) {
    const NewUser *user = reinterpret_cast<const NewUser *>(GetWindowLongPtrA(dialog, DWLP_USER));
    char answers[3][kAnswerFieldSize];
    ReadAnswers(dialog, answers);
    MaintenanceResult result = MaintenanceOutcomeOf(AnswersAccepted(answers));
    if (result.outcome == kMaintenanceOk) result = WriteRecoveryFile(*user, answers);
    SecureWipe(answers, sizeof answers);
    ShowMaintenanceOutcome(dialog, result);
    // The system's text of a failed write is followed by the dialog's own.
    if (result.outcome == kRecoveryFileNotWritten)
        ShowMaintenanceOutcome(dialog, MaintenanceOutcomeOf(kRecoveryNotSaved));
    if (result.outcome == kMaintenanceOk) EndDialog(dialog, 1);
}

INT_PTR CALLBACK RecoveryQuestionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            for (int id : kAnswerIds) SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, 100, 0);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_RECOVERY_NEXT:
                case IDOK:
                    OnNext(dialog);
                    return TRUE;
                case IDC_RECOVERY_BACK:
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(dialog, 0);
            return TRUE;
        default:
            return WhiteDialogColours(message, wParam);
    }
}

}  // namespace

int RunRecoveryQuestions(HWND owner, const char *userName, const char *password) {
    NewUser user = {userName, password};
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RECOVERY_QUESTIONS), owner,
                                     RecoveryQuestionsProc, reinterpret_cast<LPARAM>(&user));
    return result == 1 ? 1 : 0;
}
