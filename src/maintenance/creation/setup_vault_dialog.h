// "Kovara - Setup Your Vault": where the new user's vault goes, its name and
// its size.
#pragma once
#include <windows.h>

#include "keys/core/path_size.h"
#include "maintenance/creation/free_space.h"

struct VaultChoice {
    char containerPath[kPathSize];
    unsigned sizeMb;
    int cancelled;  // set unless a vault was confirmed
};

// Runs the dialog modally: 1 with the container path and size confirmed, 2
// when cancelled or the free space of the program folder's volume cannot be
// read (after its message). freeSpace reads the free space of a volume.
int RunSetupVaultDialog(HWND owner, const char *programFolder, const char *userName, VaultChoice *choice,
                        FreeSpaceQuery freeSpace = QueryVolumeFreeSpace);

// The browsed folder as the location field shows it: a network path (one
// that begins with a backslash) always ends in one backslash.
void NormaliseBrowsedFolder(char *folder, size_t size);
