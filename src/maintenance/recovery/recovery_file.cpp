#include "maintenance/recovery/recovery_file.h"

#include <string.h>

#include <string>

#include "keys/files/file_handle.h"
#include "keys/core/recovery_record.h"
#include "crypto/core/secure_wipe.h"
#include "shell/ui/message_box.h"
#include "shell/ui/error_box.h"

int AnswersAccepted(HWND owner, const char answers[3][kAnswerFieldSize]) {
    if (!answers[0][0] || !answers[1][0] || !answers[2][0]) {
        ShowMessageBox(owner, "You must answer all the questions.");
        return 0;
    }
    if (!strcmp(answers[0], answers[1]) || !strcmp(answers[0], answers[2]) || !strcmp(answers[1], answers[2])) {
        ShowMessageBox(owner, "No two answers can be the same.");
        return 0;
    }
    return 1;
}

int OpenRecoveryFile(HWND owner, const char *path, const char *userName, const char answers[3][kAnswerFieldSize]) {
    FileHandle file(OpenForReadingUnshared(path));
    if (!file.ok()) {
        LastErrorBox(owner);
        return 0;
    }
    if (FileSizeOf(file.handle) != kRecoveryFileSize) {
        std::string text = std::string("Password Recovery Information file for user ") + userName + " may be corrupt." +
                           "\nPassword cannot be recovered.";
        ShowMessageBox(owner, text.c_str(), kKovaraCaption, MB_OK | MB_ICONERROR);
        return 0;
    }
    unsigned char content[kRecoveryFileSize];
    long got = ReadUpTo(file.handle, content, kRecoveryFileSize);
    if (got != kRecoveryFileSize) {
        if (got >= 0) SetLastError(ERROR_HANDLE_EOF);
        LastErrorBox(owner);
        return 0;
    }
    const char *answerTexts[3] = {answers[0], answers[1], answers[2]};
    char password[kPasswordRecordSize];
    int revealed = OpenRecoveryRecords(content, answerTexts, password, sizeof password);
    SecureWipe(content, sizeof content);
    if (!revealed) {
        ShowMessageBox(owner, "Your answers were found incorrect.\nPassword can not be revealed.");
        return 0;
    }
    std::string text = std::string("Password was recovered successfully!") + "\nPassword: " + password;
    ShowMessageBox(owner, text.c_str(), kKovaraCaption, MB_OK | MB_ICONINFORMATION);
    SecureWipe(password, sizeof password);
    SecureWipe(&text[0], text.size());
    return 1;
}
