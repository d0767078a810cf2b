#include "maintenance/creation/free_space.h"

#include <windows.h>

#include <string.h>

namespace {

typedef BOOL(WINAPI *FreeSpaceEx)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// The root of the folder's volume, as GetDiskFreeSpaceA wants it: "C:\" or
// "\\server\share\".
void VolumeRoot(const char *folder, char *root, size_t size) {
    strncpy(root, folder, size - 1);
    root[size - 1] = '\0';
    if (root[0] == '\\' && root[1] == '\\') {
        char *share = strchr(root + 2, '\\');
        char *end = share ? strchr(share + 1, '\\') : NULL;
        if (end)
            end[1] = '\0';
        else if (strlen(root) + 1 < size)
            strcat(root, "\\");
    } else if (root[0] && root[1] == ':') {
        root[2] = '\\';
        root[3] = '\0';
    }
}

}  // namespace

int QueryVolumeFreeSpace(const char *folder, unsigned long long *freeBytes) {
    FreeSpaceEx freeSpaceEx =
        (FreeSpaceEx)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA");
    if (freeSpaceEx) {
        ULARGE_INTEGER available, total, totalFree;
        if (!freeSpaceEx(folder, &available, &total, &totalFree)) return 0;
        *freeBytes = available.QuadPart;
        return 1;
    }
    char root[MAX_PATH];
    VolumeRoot(folder, root, sizeof root);
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return 0;
    *freeBytes = (unsigned long long)freeClusters * sectorsPerCluster * bytesPerSector;
    return 1;
}

std::string FreeSpaceLine(unsigned long long freeBytes) {
    unsigned long long number = freeBytes;
    const char *unit = "Bytes";
    if (freeBytes > 1073741824ull) {
        number = freeBytes >> 30;
        unit = "GB";
    } else if (freeBytes > 1048576ull) {
        number = freeBytes >> 20;
        unit = "MB";
    } else if (freeBytes > 1024ull) {
        number = freeBytes >> 10;
        unit = "KB";
    }
    return "You Have About " + std::to_string(number) + " " + unit + " of Free Disk Space in This Location.";
}
