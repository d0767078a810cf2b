// Stand-in for the system's format library: FormatEx builds an NTFS volume
// with mkntfs in a scratch image and writes it through the drive device.
#include <windows.h>
#include <winioctl.h>

#include <stdio.h>
#include <string.h>

namespace {

// Notifications the library sends through the caller's callback.
enum : DWORD { kCommandProgress = 0, kCommandDone = 11 };

typedef BOOLEAN(WINAPI *FormatCallback)(DWORD command, DWORD subAction, PVOID actionInfo);
typedef char *(CDECL *UnixFileNameFn)(const WCHAR *dosName);

const DWORD kSectorSize = 512;
const DWORD kChunkBytes = 1 << 20;
const DWORD kMkntfsTimeoutMs = 300000;

void Progress(FormatCallback callback, DWORD percent) {
    if (callback) callback(kCommandProgress, 0, &percent);
}

void Done(FormatCallback callback, bool success) {
    BOOLEAN flag = success ? 1 : 0;
    if (callback) callback(kCommandDone, 0, &flag);
}

// The fault named in the system folder's fmifs-fault.txt, or "".
void ReadFault(char *fault, size_t size) {
    char path[MAX_PATH];
    fault[0] = 0;
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 20 > MAX_PATH) return;
    strcat(path, "\\fmifs-fault.txt");
    FILE *file = fopen(path, "r");
    if (!file) return;
    if (fgets(fault, (int)size, file)) fault[strcspn(fault, "\r\n ")] = 0;
    fclose(file);
}

// The Unix path of a Windows path, through Wine's kernel32 export.
bool UnixPathOf(const char *windowsPath, char *unixPath, size_t size) {
    UnixFileNameFn toUnix =
        (UnixFileNameFn)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!toUnix) return false;
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath, -1, wide, MAX_PATH)) return false;
    char *name = toUnix(wide);
    if (!name) return false;
    bool fits = strlen(name) < size && !strchr(name, '\'') && !strchr(name, '"');
    if (fits) strcpy(unixPath, name);
    HeapFree(GetProcessHeap(), 0, name);
    return fits;
}

// Sparse scratch image of the volume's length.
bool MakeImage(const char *path, ULONGLONG length) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD ignored;
    DeviceIoControl(file, FSCTL_SET_SPARSE, NULL, 0, NULL, 0, &ignored, NULL);
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)length;
    bool ok = SetFilePointerEx(file, end, NULL, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

// Label as mkntfs takes it: ASCII letters, digits and underscores only.
void NarrowLabel(const WCHAR *label, char *out, size_t size) {
    size_t n = 0;
    for (; label && *label && n + 1 < size; ++label) {
        WCHAR c = *label;
        if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_')
            out[n++] = (char)c;
    }
    out[n] = 0;
}

// Runs mkntfs on the image through the Unix shell and waits for its result
// file (Wine gives no handle to a Unix process).
bool RunMkntfs(const char *imagePath, const char *resultPath, const char *label, DWORD clusterSize,
               FormatCallback callback) {
    char unixImage[MAX_PATH], unixResult[MAX_PATH];
    if (!UnixPathOf(imagePath, unixImage, sizeof unixImage) || !UnixPathOf(resultPath, unixResult, sizeof unixResult))
        return false;
    DeleteFileA(resultPath);
    char command[4 * MAX_PATH + 300];
    snprintf(command, sizeof command,
             "/bin/sh -c \"PATH=/usr/sbin:/sbin:/usr/bin:/bin; mkntfs -F -f -q -s 512 -c %lu -L '%s' '%s' "
             ">'%s.log' 2>&1; echo $? >'%s.part'; mv '%s.part' '%s'\"",
             (unsigned long)clusterSize, label, unixImage, unixResult, unixResult, unixResult, unixResult);
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    memset(&process, 0, sizeof process);
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startup, &process))
        return false;
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);

    DWORD waited = 0, percent = 5;
    for (;;) {
        FILE *result = fopen(resultPath, "r");
        if (result) {
            int code = -1;
            int read = fscanf(result, "%d", &code);
            fclose(result);
            DeleteFileA(resultPath);
            return read == 1 && code == 0;
        }
        if (waited >= kMkntfsTimeoutMs) return false;
        Sleep(100);
        waited += 100;
        if (percent < 45 && waited % 1000 == 0) Progress(callback, ++percent);
    }
}

bool IsZero(const unsigned char *bytes, DWORD length) {
    for (DWORD i = 0; i < length; ++i)
        if (bytes[i]) return false;
    return true;
}

bool WriteAt(HANDLE drive, const unsigned char *bytes, DWORD length, ULONGLONG offset) {
    OVERLAPPED where;
    memset(&where, 0, sizeof where);
    where.Offset = (DWORD)offset;
    where.OffsetHigh = (DWORD)(offset >> 32);
    DWORD written = 0;
    return WriteFile(drive, bytes, length, &written, &where) && written == length;
}

// Copies every run of non-zero sectors of the image to the drive.
bool CopyImage(const char *imagePath, HANDLE drive, ULONGLONG length, FormatCallback callback) {
    HANDLE image = CreateFileA(imagePath, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (image == INVALID_HANDLE_VALUE) return false;
    unsigned char *chunk = (unsigned char *)VirtualAlloc(NULL, kChunkBytes, MEM_COMMIT, PAGE_READWRITE);
    bool ok = chunk != NULL;
    DWORD lastPercent = 50;
    for (ULONGLONG position = 0; ok && position < length; position += kChunkBytes) {
        DWORD want = (DWORD)(length - position < kChunkBytes ? length - position : kChunkBytes);
        DWORD got = 0;
        if (!ReadFile(image, chunk, want, &got, NULL) || got != want) {
            ok = false;
            break;
        }
        DWORD runStart = 0, runLength = 0;
        for (DWORD sector = 0; ok && sector * kSectorSize < want; ++sector) {
            bool zero = IsZero(chunk + sector * kSectorSize, kSectorSize);
            if (!zero) {
                if (runLength == 0) runStart = sector * kSectorSize;
                runLength += kSectorSize;
            }
            bool last = (sector + 1) * kSectorSize >= want;
            if ((zero || last) && runLength) {
                ok = WriteAt(drive, chunk + runStart, runLength, position + runStart);
                runLength = 0;
            }
        }
        DWORD percent = 50 + (DWORD)((position + want) * 50 / length);
        if (percent != lastPercent) Progress(callback, lastPercent = percent);
    }
    if (chunk) VirtualFree(chunk, 0, MEM_RELEASE);
    CloseHandle(image);
    return ok;
}

bool Format(const WCHAR *driveRoot, const WCHAR *fileSystem, const WCHAR *label, DWORD clusterSize,
            FormatCallback callback) {
    if (!driveRoot || !driveRoot[0] || driveRoot[1] != L':') return false;
    if (!fileSystem || lstrcmpiW(fileSystem, L"NTFS") != 0) return false;
    if (clusterSize == 0) clusterSize = 4096;

    char devicePath[] = "\\\\.\\?:";
    devicePath[4] = (char)driveRoot[0];
    HANDLE drive = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, 0, NULL);
    if (drive == INVALID_HANDLE_VALUE) return false;
    GET_LENGTH_INFORMATION lengthInfo;
    DWORD returned = 0;
    bool ok =
        DeviceIoControl(drive, IOCTL_DISK_GET_LENGTH_INFO, NULL, 0, &lengthInfo, sizeof lengthInfo, &returned, NULL) &&
        lengthInfo.Length.QuadPart > 0;
    ULONGLONG length = ok ? (ULONGLONG)lengthInfo.Length.QuadPart : 0;
    Progress(callback, 1);

    char folder[MAX_PATH], imagePath[MAX_PATH], resultPath[MAX_PATH], narrowLabel[40];
    ok = ok && GetTempPathA(MAX_PATH, folder) && GetTempFileNameA(folder, "fmt", 0, imagePath);
    if (ok) {
        snprintf(resultPath, sizeof resultPath, "%s.result", imagePath);
        NarrowLabel(label, narrowLabel, sizeof narrowLabel);
        ok = MakeImage(imagePath, length) && RunMkntfs(imagePath, resultPath, narrowLabel, clusterSize, callback);
        Progress(callback, 50);
        ok = ok && CopyImage(imagePath, drive, length, callback);
        DeleteFileA(imagePath);
        char logPath[MAX_PATH + 8];
        snprintf(logPath, sizeof logPath, "%s.log", resultPath);
        DeleteFileA(logPath);
    }
    CloseHandle(drive);
    return ok;
}

}  // namespace

extern "C" VOID WINAPI FormatEx(PWCHAR driveRoot, DWORD mediaType, PWCHAR fileSystem, PWCHAR label, BOOLEAN quickFormat,
                                ULONG clusterSize, FormatCallback callback) {
    char fault[64];
    ReadFault(fault, sizeof fault);
    if (strcmp(fault, "done-failure") == 0) {
        Progress(callback, 0);
        Done(callback, false);
        return;
    }
    Done(callback, Format(driveRoot, fileSystem, label, clusterSize, callback));
}
