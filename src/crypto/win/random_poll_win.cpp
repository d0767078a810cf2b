// Gatherers of the random pool: a fast poll of cheap values of the moment
// and, once per process, a slow poll of the system's generator and of
// network, disk and performance statistics.
#include <windows.h>
#include <wincrypt.h>
#include <winioctl.h>

#include <stdio.h>
#include <string.h>

#include "crypto/win/random_poll.h"
#include "crypto/core/random_pool.h"
#include "crypto/core/secure_wipe.h"

namespace {

enum MachineRole { kRoleUnknown, kRoleWorkstation, kRoleServer };

typedef DWORD(WINAPI *NetStatisticsGetFn)(LPWSTR, LPWSTR, DWORD, DWORD, LPBYTE *);
typedef DWORD(WINAPI *NetApiBufferSizeFn)(LPVOID, LPDWORD);
typedef DWORD(WINAPI *NetApiBufferFreeFn)(LPVOID);

bool g_firstFastPoll = true;
bool g_roleKnown = false;
MachineRole g_role = kRoleUnknown;
HMODULE g_netapi = nullptr;
NetStatisticsGetFn g_netStatisticsGet = nullptr;
NetApiBufferSizeFn g_netApiBufferSize = nullptr;
NetApiBufferFreeFn g_netApiBufferFree = nullptr;
DWORD g_perfDataSize = 65536;

// A large performance-data answer is read in steps of 4 KiB; past this size
// the source is given up rather than grown further.
const DWORD kPerfDataLimit = 8u << 20;
const DWORD kDiskPerformanceSize = 88;
const DWORD kSystemGeneratorBytes = 64;

#ifndef _WIN64
// The records the fast poll adds whole have these sizes on 32-bit Windows.
static_assert(sizeof(MEMORYSTATUS) == 32, "memory status record");
static_assert(sizeof(STARTUPINFOA) == 68, "start-up information record");
#endif

template <typename T>
void AddHandle(RandomPool *pool, T value) {
    RandomPoolAddValue(pool, static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(value)));
}

void AddFileTimes(RandomPool *pool, const FILETIME times[4]) {
    for (int i = 0; i < 4; ++i) RandomPoolAdd(pool, &times[i], 8);
}

// 64 bytes of the system's own generator (CryptoAPI); skipped when it fails.
void AddSystemGenerator(RandomPool *pool) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return;
    unsigned char bytes[kSystemGeneratorBytes];
    if (CryptGenRandom(provider, sizeof bytes, bytes)) RandomPoolAdd(pool, bytes, sizeof bytes);
    SecureWipe(bytes, sizeof bytes);
    CryptReleaseContext(provider, 0);
}

void ReadMachineRole() {
    g_roleKnown = true;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return;
    g_role = kRoleWorkstation;
    char type[64] = "";
    DWORD size = sizeof type - 1;
    if (RegQueryValueExA(key, "ProductType", nullptr, nullptr, reinterpret_cast<BYTE *>(type), &size) ==
        ERROR_SUCCESS) {
        type[size < sizeof type ? size : sizeof type - 1] = '\0';
        if (lstrcmpiA(type, "WinNT") != 0) g_role = kRoleServer;
    }
    RegCloseKey(key);
}

bool BindNetApi() {
    if (g_netapi) return true;
    g_netapi = LoadLibraryA("NETAPI32.DLL");
    if (!g_netapi) return false;
    g_netStatisticsGet =
        reinterpret_cast<NetStatisticsGetFn>(reinterpret_cast<void *>(GetProcAddress(g_netapi, "NetStatisticsGet")));
    g_netApiBufferSize =
        reinterpret_cast<NetApiBufferSizeFn>(reinterpret_cast<void *>(GetProcAddress(g_netapi, "NetApiBufferSize")));
    g_netApiBufferFree =
        reinterpret_cast<NetApiBufferFreeFn>(reinterpret_cast<void *>(GetProcAddress(g_netapi, "NetApiBufferFree")));
    if (!g_netStatisticsGet || !g_netApiBufferSize || !g_netApiBufferFree) {
        RandomPollRelease();
        return false;
    }
    return true;
}

void AddNetworkStatistics(RandomPool *pool) {
    if (!BindNetApi()) return;
    wchar_t workstation[] = L"LanmanWorkstation";
    wchar_t server[] = L"LanmanServer";
    LPBYTE buffer = nullptr;
    if (g_netStatisticsGet(nullptr, g_role == kRoleServer ? server : workstation, 0, 0, &buffer) == 0 && buffer) {
        DWORD size = 0;
        if (g_netApiBufferSize(buffer, &size) == 0 && size) RandomPoolAdd(pool, buffer, size);
        g_netApiBufferFree(buffer);
    }
}

void AddDiskPerformance(RandomPool *pool) {
    for (int n = 0; n < 100; ++n) {
        char name[32];
        snprintf(name, sizeof name, "\\\\.\\PhysicalDrive%d", n);
        HANDLE drive = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (drive == INVALID_HANDLE_VALUE) return;
        unsigned char performance[kDiskPerformanceSize];
        DWORD returned = 0;
        if (DeviceIoControl(drive, IOCTL_DISK_PERFORMANCE, nullptr, 0, performance, sizeof performance, &returned,
                            nullptr) &&
            returned <= sizeof performance)
            RandomPoolAdd(pool, performance, returned);
        CloseHandle(drive);
    }
}

void AddPerformanceData(RandomPool *pool) {
    for (;;) {
        BYTE *data = static_cast<BYTE *>(HeapAlloc(GetProcessHeap(), 0, g_perfDataSize));
        if (!data) return;
        DWORD size = g_perfDataSize;
        LONG status = RegQueryValueExA(HKEY_PERFORMANCE_DATA, "Global", nullptr, nullptr, data, &size);
        if (status == ERROR_MORE_DATA && g_perfDataSize < kPerfDataLimit) {
            HeapFree(GetProcessHeap(), 0, data);
            g_perfDataSize += 4096;
            continue;
        }
        if (status == ERROR_SUCCESS) {
            RegCloseKey(HKEY_PERFORMANCE_DATA);
            static const wchar_t kSignature[] = L"PERF";
            if (size >= 8 && size <= g_perfDataSize && memcmp(data, kSignature, 8) == 0)
                RandomPoolAdd(pool, data, size);
        }
        HeapFree(GetProcessHeap(), 0, data);
        return;
    }
}

}  // namespace

void RandomFastPoll(RandomPool *pool) {
    AddHandle(pool, GetActiveWindow());
    AddHandle(pool, GetCapture());
    AddHandle(pool, GetClipboardOwner());
    AddHandle(pool, GetClipboardViewer());
    AddHandle(pool, GetCurrentProcess());
    RandomPoolAddValue(pool, GetCurrentProcessId());
    AddHandle(pool, GetCurrentThread());
    RandomPoolAddValue(pool, GetCurrentThreadId());
    RandomPoolAddValue(pool, GetTickCount());
    AddHandle(pool, GetDesktopWindow());
    AddHandle(pool, GetFocus());
    RandomPoolAddValue(pool, static_cast<uint32_t>(GetInputState()));
    RandomPoolAddValue(pool, GetMessagePos());
    RandomPoolAddValue(pool, static_cast<uint32_t>(GetMessageTime()));
    AddHandle(pool, GetOpenClipboardWindow());
    AddHandle(pool, GetProcessHeap());
    AddHandle(pool, GetProcessWindowStation());
    RandomPoolAddValue(pool, GetQueueStatus(QS_ALLEVENTS));

    POINT caret = {0, 0}, cursor = {0, 0};
    GetCaretPos(&caret);
    GetCursorPos(&cursor);
    RandomPoolAdd(pool, &caret, sizeof caret);
    RandomPoolAdd(pool, &cursor, sizeof cursor);
    MEMORYSTATUS memory;
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    RandomPoolAdd(pool, &memory, sizeof memory);

    FILETIME times[4];
    if (GetThreadTimes(GetCurrentThread(), &times[0], &times[1], &times[2], &times[3])) AddFileTimes(pool, times);
    if (GetProcessTimes(GetCurrentProcess(), &times[0], &times[1], &times[2], &times[3])) AddFileTimes(pool, times);
    SIZE_T minimum = 0, maximum = 0;
    if (GetProcessWorkingSetSize(GetCurrentProcess(), &minimum, &maximum)) {
        RandomPoolAdd(pool, &minimum, sizeof minimum);
        RandomPoolAdd(pool, &maximum, sizeof maximum);
    }
    if (g_firstFastPoll) {
        g_firstFastPoll = false;
        STARTUPINFOA startup;
        memset(&startup, 0, sizeof startup);
        startup.cb = sizeof startup;
        GetStartupInfoA(&startup);
        RandomPoolAdd(pool, &startup, sizeof startup);
    }
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter)) {
        RandomPoolAdd(pool, &counter, 8);
    } else {
        RandomPoolAddValue(pool, GetTickCount());
    }
}

void RandomSlowPoll(RandomPool *pool) {
    // First, so that the mixes the larger sources below set off spread these
    // bytes over the whole pool.
    AddSystemGenerator(pool);
    if (!g_roleKnown) ReadMachineRole();
    AddNetworkStatistics(pool);
    AddDiskPerformance(pool);
    AddPerformanceData(pool);
}

void RandomPollRelease() {
    if (g_netapi) FreeLibrary(g_netapi);
    g_netapi = nullptr;
    g_netStatisticsGet = nullptr;
    g_netApiBufferSize = nullptr;
    g_netApiBufferFree = nullptr;
}
