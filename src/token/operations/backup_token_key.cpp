// Writing the token's user information record to a backup file.
#include <string.h>

#include "crypto/core/secure_wipe.h"
#include "shell/ui/choose_folder.h"
#include "shell/ui/error_box.h"
#include "token/operations/token_key_backup.h"
#include "token/operations/token_message_box.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"

namespace {

// Folder + backslash (unless the folder ends in one) + stem + extension; 0
// when it does not fit into MAX_PATH.
int BackupPathIn(const char *folder, const char *nameStem, const char *extension, char *path) {
    size_t folderLength = strlen(folder);
    const char *separator = folderLength && folder[folderLength - 1] == '\\' ? "" : "\\";
    if (folderLength + strlen(separator) + strlen(nameStem) + strlen(extension) >= MAX_PATH) return 0;
    strcpy(path, folder);
    strcat(path, separator);
    strcat(path, nameStem);
    strcat(path, extension);
    return 1;
}

int FileReadable(const char *path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

// Asks until the user picks a folder without a backup of this name, or cancels.
int ChooseBackupPath(HWND owner, const char *nameStem, const char *extension, char *path) {
    for (;;) {
        char folder[MAX_PATH];
        if (!ChooseFolder(owner, "Select Backup Location", folder)) return 0;
        if (!BackupPathIn(folder, nameStem, extension, path)) return 0;
        if (!FileReadable(path)) return 1;
        TokenWarning(owner, "A key backup exists in selected location.\nSelect again.");
    }
}

int ReadRecordFromToken(HWND owner, const char *tokenPassword, unsigned char *record) {
    if (!OpenTokenSession(owner, tokenPassword)) return 0;
    SecureWipe(g_token.keyBuffer, sizeof g_token.keyBuffer);
    int read = ReadTokenKey(owner, kTokenKeySize, 0);
    CloseTokenSession();
    if (read) memcpy(record, g_token.keyBuffer + 3, kTokenRecordSize);
    SecureWipe(g_token.keyBuffer, sizeof g_token.keyBuffer);
    return read;
}

int WriteNewFile(HWND owner, const char *path, const unsigned char *record) {
    static const char kFailed[] = "Error creating backup.\nTry Again.";
    HANDLE file =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SystemErrorBox(owner, kFailed);
        return 0;
    }
    // The backup counts only once its bytes are on the disk and the close
    // reported no error.
    DWORD written = 0;
    BOOL ok = WriteFile(file, record, kTokenRecordSize, &written, nullptr);
    if (ok && written != kTokenRecordSize) {
        ok = FALSE;
        SetLastError(ERROR_HANDLE_DISK_FULL);
    }
    if (ok) ok = FlushFileBuffers(file);
    DWORD error = GetLastError();
    BOOL closed = CloseHandle(file);
    if (ok && !closed) {
        ok = FALSE;
        error = GetLastError();
    }
    if (!ok) {
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path);
        SetLastError(error);
        SystemErrorBox(owner, kFailed);
        return 0;
    }
    return 1;
}

void CreatedNotice(HWND owner, const char *path) {
    TokenNotice(owner, std::string("Backup created successfully!") + "\nCreated in location:\n" + path);
}

}  // namespace

int BackupTokenKey(HWND owner, const char *nameStem, const char *extension, const char *tokenPassword) {
    char path[MAX_PATH];
    if (!ChooseBackupPath(owner, nameStem, extension, path)) return 0;
    unsigned char record[kTokenRecordSize];
    if (!ReadRecordFromToken(owner, tokenPassword, record)) return 0;
    int written = WriteNewFile(owner, path, record);
    SecureWipe(record, sizeof record);
    if (!written) return 0;
    CreatedNotice(owner, path);
    return 1;
}

void OfferToSaveLastKeyCopy(HWND owner, const unsigned char *record852) {
    static const char kOffer[] =
        "The key the token held before is now kept only in the memory of this program."
        "\n\nClick \"Yes\" to save it as a key backup (KovdevTokenKey.user)."
        "\nClick \"No\" to discard it.";
    static const char kSure[] = "ARE YOU SURE TO DISCARD THE KEY?";
    for (;;) {
        if (!TokenQuestion(owner, kOffer)) {
            if (TokenWarningQuestion(owner, kSure)) return;
            continue;
        }
        char path[MAX_PATH];
        if (!ChooseBackupPath(owner, "KovdevTokenKey", ".user", path)) continue;
        if (WriteNewFile(owner, path, record852)) {
            CreatedNotice(owner, path);
            return;
        }
    }
}
