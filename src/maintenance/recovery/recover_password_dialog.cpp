// "Kovara - Recover Your Password": the user name and the three answers; the
// password is shown when every answer is right.
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

MaintenanceResult Recover(const char *user, const char answers[3][kAnswerFieldSize]) {
    MaintenanceOutcome accepted = AnswersAccepted(answers);
    if (accepted != kMaintenanceOk) return MaintenanceOutcomeOf(accepted);
    if (!user[0]) return MaintenanceOutcomeOf(kRecoveryNoUserName);
    char path[MAX_PATH];
    if (!RecoveryFilePathOf(user, path, sizeof path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        MaintenanceResult missing = MaintenanceOutcomeOf(kRecoveryFileNotFound);
        missing.user = user;
        return missing;
    }
    return OpenRecoveryFile(path, user, answers);
}

void OnSubmit(HWND dialog) {
    char user[100] = "";
    char answers[3][kAnswerFieldSize];
    memset(answers, 0, sizeof answers);
    GetDlgItemTextA(dialog, IDC_RECOVER_USER, user, sizeof user);
    for (int k = 0; k < 3; ++k) GetDlgItemTextA(dialog, kAnswerIds[k], answers[k], kAnswerFieldSize);
    MaintenanceResult result;
    {
        WaitCursor wait;
        result = Recover(user, answers);
    }
    SecureWipe(answers, sizeof answers);
    ShowMaintenanceOutcome(dialog, result);
    if (!result.password.empty()) SecureWipe(&result.password[0], result.password.size());
    if (result.outcome == kPasswordRecovered) EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK RecoverPasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageA(dialog, IDC_RECOVER_USER, EM_LIMITTEXT, 100, 0);
            for (int id : kAnswerIds) SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, 100, 0);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_RECOVER_SUBMIT:
                case IDOK:
                    OnSubmit(dialog);
                    return TRUE;
                case IDC_RECOVER_CANCEL:
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return WhiteDialogColours(message, wParam);
    }
}

}  // namespace

void RunRecoverPasswordDialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RECOVER_PASSWORD), owner, RecoverPasswordProc, 0);
}
