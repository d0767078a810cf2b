// The file chooser: the system's open-file dialog, asked again until the
// chosen file can be read (and ends with the extension when one is required).
#pragma once
#include <windows.h>

// Returns 1 with the chosen file in path (MAX_PATH characters), 0 when the
// user cancels. The filter set before the call is used once, then the
// default "All file types " / "*.*" comes back.
int ChooseFile(HWND owner, const char *title, int extensionRequired, const char *extension, char *path);

// filterPairs: description\0pattern\0...\0\0 (NULL: the default).
void SetChooseFileFilter(const char *filterPairs);
