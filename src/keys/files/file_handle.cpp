#include "keys/files/file_handle.h"

HANDLE OpenForReadingUnshared(const char *path) {
    return CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

long ReadUpTo(HANDLE file, unsigned char *buffer, DWORD length) {
    DWORD total = 0;
    while (total < length) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + total, length - total, &got, NULL)) return -1;
        if (got == 0) break;
        total += got;
    }
    return static_cast<long>(total);
}

long long FileSizeOf(HANDLE file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return -1;
    return size.QuadPart;
}
