// The system's folder browser, file-system folders only.
#pragma once
#include <windows.h>

// 1 with the chosen folder in path (MAX_PATH bytes), 0 when cancelled or the
// choice has no file-system path.
int ChooseFolder(HWND owner, const char *title, char *path);
