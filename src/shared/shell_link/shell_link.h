// Saving a shell shortcut (".lnk") through IShellLinkA and IPersistFile: the
// one place the installer, the start-menu program, the shortcut library and
// the vault manager make their shortcuts.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

struct ShellLinkSpec {
    const char *target;         // file path, or NULL when targetItems is set
    LPCITEMIDLIST targetItems;  // absolute item list of the target, or NULL
    const char *workingFolder;  // NULL: not set
    const char *description;    // NULL: not set
    const char *iconPath;       // NULL: the target's own icon
    int iconIndex;
};

// Called once for each setter that failed, with its message ("SetPath to
// shortcut failed!", ...); the remaining setters and the save still run.
typedef void (*ShellLinkSetterFailed)(const char *message);

// Creates the link object, sets target, working folder, description and icon
// in that order, and saves it to linkPath (converted to UTF-16 with the ANSI
// code page, at most 259 characters) with its remember flag set; after a save
// that returned S_OK, SaveCompleted is called. COM is initialised for the
// call and uninitialised only when that initialisation succeeded.
// 1 when Save returned S_OK; 0 when the link object could not be made, the
// path does not convert, or the save failed.
int SaveShellLink(const char *linkPath, const ShellLinkSpec *spec, ShellLinkSetterFailed onSetterFailed);

// folder + "\" + name into out (size bytes), the backslash only when the
// folder does not end in one. 0 when it does not fit.
int JoinFolderAndName(const char *folder, const char *name, char *out, size_t size);
// The same join as a string; empty when it does not fit in MAX_PATH bytes.
std::string InFolder(const char *folder, const char *name);
