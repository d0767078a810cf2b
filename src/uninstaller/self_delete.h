// The uninstaller's removal of itself: a batch file at the root of the
// current drive that deletes the uninstaller once it has exited, removes the
// program folder and deletes itself.
#pragma once

#include <string>

// The batch file's text for the uninstaller's path and its folder.
std::string SelfDeleteBatchText(const char *uninstallerPath, const char *programFolder);

// Writes "\DelUS.bat" and starts it suspended, hidden and at idle priority,
// then resumes it with this process raised above it. Silent; the caller exits
// at once afterwards.
void StartSelfDelete(const char *uninstallerPath, const char *programFolder);
