// My Documents: where the shortcut to an open vault goes, and whether its
// volume allows one.
#pragma once
#include <windows.h>

#include <stddef.h>

// 1 (FAT) when the lower-cased file-system name contains "fat", else 2.
int FileSystemKindOf(const char *fileSystemName);

// The shortcut path in a folder: folder, a backslash unless it ends in one,
// "Kovara.lnk". 0 (out untouched) when that does not fit in outSize bytes.
int ShortcutPathIn(const char *folder, char *out, size_t outSize);

// Finds the personal folder, checks it is a folder and queries its volume:
// sets myDocumentsKnown, fileSystemKind and shortcutPath of the process.
void FindMyDocuments();
