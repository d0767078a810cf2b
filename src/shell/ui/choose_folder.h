// The folder chooser: the system's folder browser, file-system folders only.
#pragma once
#include <windows.h>

// 1 with the chosen folder in path (MAX_PATH characters); 0 when the user
// cancels or the choice has no file-system path.
int ChooseFolder(HWND owner, const char *title, char *path);
