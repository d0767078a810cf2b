// My Documents: where the shortcut to an open vault goes, and whether its
// volume allows one.
#pragma once
#include <windows.h>

// 1 (FAT) when the lower-cased file-system name contains "fat", else 2.
int FileSystemKindOf(const char *fileSystemName);

// Finds the personal folder, checks it is a folder and queries its volume:
// sets myDocumentsKnown, fileSystemKind and shortcutPath of the process.
void FindMyDocuments();
