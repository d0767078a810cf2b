// Writing the vault information file and the password-recovery file.
#include <string.h>

#include "crypto/win/random_win.h"
#include "keys/files/file_handle.h"
#include "keys/files/key_files.h"
#include "keys/core/recovery_record.h"
#include "keys/core/vault_info_record.h"
#include "crypto/core/secure_wipe.h"

namespace {

HANDLE CreateNewUnshared(const char *path) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
}

int WriteAll(HANDLE file, const unsigned char *data, DWORD length) {
    DWORD written = 0;
    if (!WriteFile(file, data, length, &written, NULL)) return 0;
    if (written == length) return 1;
    SetLastError(ERROR_HANDLE_DISK_FULL);
    return 0;
}

// A key file counts as written only once its bytes are on the disk and its
// close reported no error; the last error tells why not.
int FlushAndClose(HANDLE file, int written) {
    int ok = written && FlushFileBuffers(file);
    DWORD error = GetLastError();
    if (!CloseHandle(file)) {
        if (ok) error = GetLastError();
        ok = 0;
    }
    SetLastError(error);
    return ok;
}

}  // namespace

int SealVaultInfo(const char *vaultPath, const unsigned char *userKeyBlock256, const char *vaultInfoPath) {
    unsigned char sector[kVaultSectorSize];
    {
        FileHandle vault(OpenForReadingUnshared(vaultPath));
        if (!vault.ok() || FileSizeOf(vault.handle) < 0) return 0;
        if (ReadUpTo(vault.handle, sector, kVaultSectorSize) != kVaultSectorSize) return 0;
    }
    unsigned char vaultInfo[kVaultInfoSize];
    int ok = SealVaultInfoRecord(sector, userKeyBlock256, vaultInfo);
    SecureWipe(sector, sizeof sector);
    if (!ok) return 0;

    HANDLE file = CreateNewUnshared(vaultInfoPath);
    if (file == INVALID_HANDLE_VALUE) return 0;
    ok = FlushAndClose(file, WriteAll(file, vaultInfo, kVaultInfoSize));
    if (!ok) {
        // Leave no short file behind: the next log-in would call it corrupt.
        SetFileAttributesA(vaultInfoPath, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(vaultInfoPath);
    }
    return ok;
}

int SealRecoveryFile(const char *recoveryPath, const char *password, const char answers[3][kAnswerFieldSize]) {
    unsigned char salt[kRecoverySaltSize];
    if (RandomGetBytes(salt, kRecoverySaltSize) != kRecoverySaltSize) {
        // A file sealed under a salt of zeros would look valid; refuse instead.
        SetLastError(ERROR_GEN_FAILURE);
        return 0;
    }

    // Answers are taken inside their 101-byte fields even without a NUL.
    char answerText[3][kAnswerFieldSize];
    const char *answerPointers[3];
    for (int k = 0; k < 3; ++k) {
        memcpy(answerText[k], answers[k], kAnswerFieldSize);
        answerText[k][kAnswerFieldSize - 1] = '\0';
        answerPointers[k] = answerText[k];
    }
    unsigned char file[kRecoveryFileSize];
    int built = SealRecoveryRecords(salt, password, answerPointers, file);
    SecureWipe(answerText, sizeof answerText);
    if (!built) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }

    HANDLE handle = CreateNewUnshared(recoveryPath);
    if (handle == INVALID_HANDLE_VALUE) {
        SecureWipe(file, sizeof file);
        return 0;
    }
    int ok = WriteAll(handle, file, kRecoverySaltSize);
    for (int k = 0; ok && k < kRecoveryRecordCount; ++k)
        ok = WriteAll(handle, file + kRecoverySaltSize + k * kPasswordRecordSize, kPasswordRecordSize);
    SecureWipe(file, sizeof file);
    ok = FlushAndClose(handle, ok);
    if (!ok) {
        DWORD error = GetLastError();
        SetFileAttributesA(recoveryPath, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(recoveryPath);
        SetLastError(error);
        return 0;
    }
    return 1;
}
