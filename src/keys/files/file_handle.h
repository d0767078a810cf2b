// Small helpers for the fixed-size record files.
#pragma once
#include <windows.h>

// Closes the handle when it goes out of scope.
struct FileHandle {
    HANDLE handle;
    explicit FileHandle(HANDLE h) : handle(h) {}
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    bool ok() const { return handle != INVALID_HANDLE_VALUE; }
};

// Opens an existing file for reading, not shared.
HANDLE OpenForReadingUnshared(const char *path);

// Reads up to length bytes from the start position; the count read, or -1
// when the read itself fails.
long ReadUpTo(HANDLE file, unsigned char *buffer, DWORD length);

// The file's size, or -1 when it cannot be read.
long long FileSizeOf(HANDLE file);
