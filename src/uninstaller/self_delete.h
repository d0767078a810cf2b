// The uninstaller's removal of itself: a batch file at the root of the
// current drive that deletes the uninstaller once it has exited, removes the
// program folder and deletes itself.
#pragma once

#include <string>

// The batch file's text for the uninstaller's path and its folder; a "%" in
// a path is written "%%" so that cmd reads it as itself. Its loop ends after
// a bounded number of tries when the uninstaller cannot be deleted.
std::string SelfDeleteBatchText(const char *uninstallerPath, const char *programFolder);

// Writes "\DelUS.bat" as a new file (any file of the name is deleted first)
// and starts it suspended, hidden and at idle priority, then resumes it with
// this process raised above it. Nothing runs when the uninstaller's file
// cannot be opened for deletion or the batch file cannot be made new: the
// batch would only spin or run someone else's text. Silent; the caller
// exits at once afterwards.
void StartSelfDelete(const char *uninstallerPath, const char *programFolder);
