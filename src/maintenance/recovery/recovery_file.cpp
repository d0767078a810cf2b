#include "maintenance/recovery/recovery_file.h"

#include <string.h>

#include "keys/files/file_handle.h"
#include "keys/core/recovery_record.h"
#include "crypto/core/secure_wipe.h"

namespace {

MaintenanceResult RecoveryOutcome(MaintenanceOutcome outcome, const char *userName, unsigned long systemError = 0) {
    MaintenanceResult result = MaintenanceOutcomeOf(outcome);
    result.user = userName;
    result.systemError = systemError;
    return result;
}

}  // namespace

MaintenanceOutcome AnswersAccepted(const char answers[3][kAnswerFieldSize]) {
    if (!answers[0][0] || !answers[1][0] || !answers[2][0]) return kRecoveryAnswerMissing;
    if (!strcmp(answers[0], answers[1]) || !strcmp(answers[0], answers[2]) || !strcmp(answers[1], answers[2]))
        return kRecoveryAnswersRepeat;
    return kMaintenanceOk;
}

MaintenanceResult OpenRecoveryFile(const char *path, const char *userName, const char answers[3][kAnswerFieldSize]) {
    FileHandle file(OpenForReadingUnshared(path));
    if (!file.ok()) return RecoveryOutcome(kRecoveryFileNotReadable, userName, GetLastError());
    if (FileSizeOf(file.handle) != kRecoveryFileSize) return RecoveryOutcome(kRecoveryFileCorrupt, userName);
    unsigned char content[kRecoveryFileSize];
    long got = ReadUpTo(file.handle, content, kRecoveryFileSize);
    if (got != kRecoveryFileSize)
        return RecoveryOutcome(kRecoveryFileNotReadable, userName, got >= 0 ? ERROR_HANDLE_EOF : GetLastError());
    const char *answerTexts[3] = {answers[0], answers[1], answers[2]};
    char password[kPasswordRecordSize];
    int revealed = OpenRecoveryRecords(content, answerTexts, password, sizeof password);
    SecureWipe(content, sizeof content);
    if (!revealed) return RecoveryOutcome(kRecoveryAnswersWrong, userName);
    MaintenanceResult result = RecoveryOutcome(kPasswordRecovered, userName);
    // On the heap from the start: a short password kept inside the string
    // itself would be left behind, unwiped, by every move of the result.
    result.password.reserve(sizeof password);
    result.password = password;
    SecureWipe(password, sizeof password);
    return result;
}
