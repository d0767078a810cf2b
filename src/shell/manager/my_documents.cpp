#include "shell/manager/my_documents.h"

#include <shlobj.h>
#include <string.h>

#include "shell/state/process_state.h"

int FileSystemKindOf(const char *fileSystemName) {
    char lower[32] = "";
    strncpy(lower, fileSystemName, sizeof lower - 1);
    CharLowerA(lower);
    return strstr(lower, "fat") ? 1 : 2;
}

int ShortcutPathIn(const char *folder, char *out, size_t outSize) {
    size_t length = strlen(folder);
    const char *separator = length && folder[length - 1] == '\\' ? "" : "\\";
    if (length + strlen(separator) + strlen("Kovara.lnk") >= outSize) return 0;
    wsprintfA(out, "%s%sKovara.lnk", folder, separator);
    return 1;
}

void FindMyDocuments() {
    g_process.myDocumentsKnown = 0;
    char path[MAX_PATH] = "";
    LPITEMIDLIST location = NULL;
    if (FAILED(SHGetSpecialFolderLocation(NULL, CSIDL_PERSONAL, &location)) || !location) return;
    BOOL found = SHGetPathFromIDListA(location, path);
    CoTaskMemFree(location);
    if (!found || !path[0]) return;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    char root[4] = {path[0], ':', '\\', '\0'};
    char volume[32], fileSystem[32];
    if (!GetVolumeInformationA(root, volume, sizeof volume, NULL, NULL, NULL, fileSystem, sizeof fileSystem)) return;
    // A folder too long for the shortcut's path is treated as not found.
    if (!ShortcutPathIn(path, g_process.shortcutPath, sizeof g_process.shortcutPath)) return;
    g_process.fileSystemKind = FileSystemKindOf(fileSystem);
    g_process.myDocumentsKnown = 1;
}
