// Free space of the volume holding a folder, and its one-line description in
// the Setup Your Vault dialog.
#pragma once
#include <string>

// 1 with the bytes available to the caller, 0 when the query fails.
typedef int (*FreeSpaceQuery)(const char *folder, unsigned long long *freeBytes);

// GetDiskFreeSpaceExA when kernel32 has it, else free clusters x sectors per
// cluster x bytes per sector from GetDiskFreeSpaceA.
int QueryVolumeFreeSpace(const char *folder, unsigned long long *freeBytes);

// "You Have About N UNIT of Free Disk Space in This Location."
std::string FreeSpaceLine(unsigned long long freeBytes);
