// The file list of the installer and the uninstaller: a report-style list
// view (full-row select, grid lines, light blue background) with the columns
// name (330 pixels), "Type" (100) and "Status" (60), filled from a folder tree.
#pragma once
#include <windows.h>

#include <string>

// Sets up the list's style, colours, columns and the shell's small icons.
void SetUpFileList(HWND list, const char *firstColumn);

// Lists every entry of the folder tree ("." and ".." skipped; folders listed
// with their own entries after them; a junction or link is listed, never
// entered), each with the shell's small icon and
// type name. fullPaths: the full path of each entry, else its path relative
// to the folder. An entry whose name equals `skipName` (no case) is left out.
// Returns the number of entries listed. An entry whose full path does not fit
// in MAX_PATH cannot be listed; the folder holding the first such entry goes
// to *overlongFolder when it is given.
int FillFileList(HWND list, const char *folder, int fullPaths, const char *skipName,
                 std::string *overlongFolder = nullptr);

int FileListCount(HWND list);
// The text of the first column of the row.
void FileListName(HWND list, int row, char *name, int size);
void SetFileListStatus(HWND list, int row, const char *status);
