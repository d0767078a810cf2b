#include "keys/core/recovery_record.h"

#include <string.h>

#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"

int BuildPasswordRecord(const char *password, unsigned char *record104) {
    memset(record104, 0, kPasswordRecordSize);
    size_t length = strlen(password);
    if (length >= size_t(kPasswordRecordSize)) return 0;
    memcpy(record104, password, length);
    return 1;
}

int SealRecoveryRecords(const unsigned char *salt20, const char *password, const char *const answers[3],
                        unsigned char *file332) {
    unsigned char record[kPasswordRecordSize];
    if (!BuildPasswordRecord(password, record)) return 0;
    memcpy(file332, salt20, kRecoverySaltSize);
    for (int k = 0; k < kRecoveryRecordCount; ++k) {
        unsigned char key[kBlowfishKeySize];
        unsigned char sealed[kPasswordRecordSize];
        DeriveSealingKey(answers[k], salt20, key);
        memcpy(sealed, record, kPasswordRecordSize);
        BlowfishSeal(key, sealed, kPasswordRecordSize);
        memcpy(file332 + kRecoverySaltSize + k * kPasswordRecordSize, sealed, kPasswordRecordSize);
        SecureWipe(key, sizeof key);
    }
    SecureWipe(record, sizeof record);
    return 1;
}

void OpenRecoveryRecord(const unsigned char *file332, int index, const char *answer, unsigned char *candidate104) {
    unsigned char key[kBlowfishKeySize];
    DeriveSealingKey(answer, file332, key);
    memcpy(candidate104, file332 + kRecoverySaltSize + index * kPasswordRecordSize, kPasswordRecordSize);
    BlowfishOpen(key, candidate104, kPasswordRecordSize);
    SecureWipe(key, sizeof key);
}

int PasswordFromRecord(const unsigned char *candidate104, char *password, size_t passwordSize) {
    const void *end = memchr(candidate104, 0, kPasswordRecordSize);
    if (!end || passwordSize == 0) return 0;
    size_t length = static_cast<size_t>(static_cast<const unsigned char *>(end) - candidate104);
    if (length >= passwordSize) return 0;
    memcpy(password, candidate104, length);
    password[length] = '\0';
    return 1;
}

int OpenRecoveryRecords(const unsigned char *file332, const char *const answers[3], char *password,
                        size_t passwordSize) {
    unsigned char candidates[kRecoveryRecordCount][kPasswordRecordSize];
    for (int k = 0; k < kRecoveryRecordCount; ++k) OpenRecoveryRecord(file332, k, answers[k], candidates[k]);

    static const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    int equalPairs = 0;
    int revealed = 0;
    for (const auto &pair : pairs) {
        if (memcmp(candidates[pair[0]], candidates[pair[1]], kPasswordRecordSize) != 0) continue;
        if (++equalPairs == 2) {
            revealed = PasswordFromRecord(candidates[pair[0]], password, passwordSize);
            break;
        }
    }
    SecureWipe(candidates, sizeof candidates);
    return revealed;
}
