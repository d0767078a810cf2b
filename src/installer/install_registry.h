// Registry entries the installer writes (HKEY_LOCAL_MACHINE unless named).
#pragma once
#include <windows.h>

// The .udf file type, its display name and icon, and the companion program's
// open command under HKEY_CLASSES_ROOT. A key that cannot be made is skipped.
void RegisterFileType(const char *programFolder);

// The Add/Remove Programs entry; 0 when a key or value could not be written.
int RegisterUninstaller(const char *programFolder);

enum InstallPathResult { kInstallPathWritten, kInstallPathNoKey, kInstallPathNoValue };
// Software\Kovara with InstallPath = the program folder.
InstallPathResult RegisterInstallPath(const char *programFolder);

// Deletes the RunOnce value KovdevUninstall.
void DeleteDriverRunOnce();
