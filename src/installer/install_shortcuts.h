// The installer's shortcuts (desktop, program group, all-users Start menu)
// with their records in the installation log.
#pragma once
#include <windows.h>

// 1 when installation goes on (individual shortcuts may have failed); 0 on a
// fatal failure, after its message: the installer then ends. The log stays
// open; the caller closes it.
int CreateInstallShortcuts(HWND owner, HANDLE log, const char *programFolder, const char *shortcutName);
