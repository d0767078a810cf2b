// Reading the user information record from its backup files. The token
// source lives in read_user_info_token.cpp.
#include <string.h>

#include "keys/files/file_handle.h"
#include "keys/files/key_files.h"
#include "keys/files/token_use.h"
#include "keys/core/user_info_record.h"
#include "crypto/core/secure_wipe.h"
#include "shell/ui/error_box.h"
#include "shell/ui/message_box.h"

namespace {

// Reads one backup file that must hold exactly `size` bytes. A file of any
// other size is not a record this system wrote: it is refused as corrupt
// instead of being cut to size.
int ReadBackupFile(HWND owner, const char *path, unsigned char *buffer, DWORD size, const char *partName) {
    char notAccessible[160], corrupt[160];
    wsprintfA(notAccessible, "The selected Backup of User Information File%s is not accessible.", partName);
    wsprintfA(corrupt, "The selected Backup of User Information File%s is corrupt! ", partName);

    FileHandle file(OpenForReadingUnshared(path));
    if (!file.ok()) {
        SystemErrorBox(owner, notAccessible);
        return 0;
    }
    long long fileSize = FileSizeOf(file.handle);
    if (fileSize < 0) {
        SystemErrorBox(owner, notAccessible);
        return 0;
    }
    if (fileSize != size) {
        ShowMessageBox(owner, corrupt);
        return 0;
    }
    long got = ReadUpTo(file.handle, buffer, size);
    if (got < 0) {
        SystemErrorBox(owner, notAccessible);
        return 0;
    }
    if (got != static_cast<long>(size)) {
        ShowMessageBox(owner, corrupt);
        return 0;
    }
    return 1;
}

}  // namespace

int ReadUserInfo(HWND owner, const BackupChoice *backup, const char *tokenPassword, unsigned char *record852,
                 const char *password, const char *vaultPath) {
    if (!backup) return ReadUserInfoFromToken(owner, tokenPassword, record852, password, vaultPath);
    if (!backup->split) return ReadBackupFile(owner, backup->userInfoPath, record852, kUserInfoSize, "");
    unsigned char part1[kUserInfoPartSize], part2[kUserInfoPartSize];
    int ok = ReadBackupFile(owner, backup->userInfoPath, part1, kUserInfoPartSize, " [Part 1]") &&
             ReadBackupFile(owner, backup->userInfoPart2Path, part2, kUserInfoPartSize, " [Part 2]");
    if (ok) JoinUserInfo(part1, part2, record852);
    SecureWipe(part1, sizeof part1);
    SecureWipe(part2, sizeof part2);
    return ok;
}
