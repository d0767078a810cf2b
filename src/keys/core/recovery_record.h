// The 332-byte password-recovery file: a 20-byte recovery salt, then the
// password record sealed three times, once under each answer's key.
#pragma once
#include <stddef.h>

enum {
    kRecoveryFileSize = 332,
    kRecoverySaltSize = 20,
    kPasswordRecordSize = 104,
    kRecoveryRecordCount = 3,
};

// The password NUL-terminated and zero-filled to 104 bytes; 0 when it does not fit.
int BuildPasswordRecord(const char *password, unsigned char *record104);

// Fills the whole file from the caller's salt. 1, or 0 when the password does not fit.
int SealRecoveryRecords(const unsigned char *salt20, const char *password, const char *const answers[3],
                        unsigned char *file332);

// Opens record index (0-2) with one answer; the result is the raw 104 bytes.
void OpenRecoveryRecord(const unsigned char *file332, int index, const char *answer, unsigned char *candidate104);

// Copies the text of an opened password record into password (room for
// passwordSize bytes). The text must end inside the record and fit: a wrong
// answer yields arbitrary bytes that may hold no NUL at all. 1 or 0.
int PasswordFromRecord(const unsigned char *candidate104, char *password, size_t passwordSize);

// Opens all three records; the password is revealed only when at least two
// of the three pairs agree (so every answer was right). 1 or 0.
int OpenRecoveryRecords(const unsigned char *file332, const char *const answers[3], char *password,
                        size_t passwordSize);
