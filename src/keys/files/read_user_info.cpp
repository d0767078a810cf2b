// Reading the user information record from its backup files. The token
// source lives in read_user_info_token.cpp.
#include <string.h>

#include <string>

#include "keys/files/file_handle.h"
#include "keys/files/key_files.h"
#include "keys/files/token_use.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"

namespace {

KeysResult BackupFileRefused(KeysOutcome outcome, const char *partName, DWORD systemError = 0) {
    KeysResult result = KeysOutcomeOf(outcome, std::string(), systemError);
    result.part = partName;
    return result;
}

// Reads one backup file that must hold exactly `size` bytes. A file of any
// other size is not a record this system wrote: it is refused as corrupt
// instead of being cut to size.
KeysResult ReadBackupFile(const char *path, unsigned char *buffer, DWORD size, const char *partName) {
    FileHandle file(OpenForReadingUnshared(path));
    if (!file.ok()) return BackupFileRefused(kBackupUserInfoNotAccessible, partName, GetLastError());
    long long fileSize = FileSizeOf(file.handle);
    if (fileSize < 0) return BackupFileRefused(kBackupUserInfoNotAccessible, partName, GetLastError());
    if (fileSize != size) return BackupFileRefused(kBackupUserInfoCorrupt, partName);
    long got = ReadUpTo(file.handle, buffer, size);
    if (got < 0) return BackupFileRefused(kBackupUserInfoNotAccessible, partName, GetLastError());
    if (got != static_cast<long>(size)) return BackupFileRefused(kBackupUserInfoCorrupt, partName);
    return KeysOutcomeOf(kKeysOk);
}

}  // namespace

KeysResult ReadUserInfo(HWND owner, const BackupChoice *backup, const char *tokenPassword, unsigned char *record852,
                        const char *password, const char *vaultPath) {
    if (!backup)
        return KeysOutcomeOf(
            ReadUserInfoFromToken(owner, tokenPassword, record852, password, vaultPath) ? kKeysOk : kKeysToldByToken);
    if (!backup->split) return ReadBackupFile(backup->userInfoPath, record852, kUserInfoSize, "");
    unsigned char part1[kUserInfoPartSize], part2[kUserInfoPartSize];
    KeysResult read = ReadBackupFile(backup->userInfoPath, part1, kUserInfoPartSize, " [Part 1]");
    if (read.outcome == kKeysOk)
        read = ReadBackupFile(backup->userInfoPart2Path, part2, kUserInfoPartSize, " [Part 2]");
    if (read.outcome == kKeysOk) JoinUserInfo(part1, part2, record852);
    SecureWipe(part1, sizeof part1);
    SecureWipe(part2, sizeof part2);
    return read;
}
