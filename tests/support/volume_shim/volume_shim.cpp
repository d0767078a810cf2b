#include "volume_shim.h"

#include <string.h>
#include <tlhelp32.h>
#include <winioctl.h>

#include "import_patch.h"
#include "kovdev_testbed.h"

namespace {

typedef BOOL(WINAPI *DeviceIoControlFn)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);

DeviceIoControlFn g_original;
volatile LONG g_forwarded;

static_assert(FSCTL_LOCK_VOLUME == KOVDEV_FSCTL_LOCK_VOLUME && FSCTL_UNLOCK_VOLUME == KOVDEV_FSCTL_UNLOCK_VOLUME &&
                  FSCTL_DISMOUNT_VOLUME == KOVDEV_FSCTL_DISMOUNT_VOLUME,
              "the volume codes the driver knows");

BOOL WINAPI ShimDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inLength, LPVOID out, DWORD outLength,
                                LPDWORD returned, LPOVERLAPPED overlapped) {
    DWORD forwarded = KovdevForwardedVolumeCode(code);
    if (forwarded) {
        if (g_original(device, forwarded, in, inLength, out, outLength, returned, overlapped)) {
            InterlockedIncrement(&g_forwarded);
            return TRUE;
        }
        DWORD error = GetLastError();
        if (error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED) {
            InterlockedIncrement(&g_forwarded);
            return FALSE;
        }
    }
    return g_original(device, code, in, inLength, out, outLength, returned, overlapped);
}

int PatchModule(HMODULE module) {
    return PatchImport(module, "DeviceIoControl", (void *)g_original, (void *)&ShimDeviceIoControl);
}

// Registry refusals: Wine cannot be made to refuse a registry change, so the
// writes and deletions of the value OpenVault are refused here when the
// program's environment asks for it (KOVSHIM_REFUSE_OPEN_VAULT holding
// "write" and/or "delete").
typedef LONG(WINAPI *RegSetValueExAFn)(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD);
typedef LONG(WINAPI *RegDeleteValueAFn)(HKEY, LPCSTR);
RegSetValueExAFn g_originalSetValue;
RegDeleteValueAFn g_originalDeleteValue;

bool Refused(const char *valueName, const char *change) {
    char wanted[64] = "";
    if (!valueName || _stricmp(valueName, "OpenVault") != 0) return false;
    if (!GetEnvironmentVariableA("KOVSHIM_REFUSE_OPEN_VAULT", wanted, sizeof wanted)) return false;
    return strstr(wanted, change) != NULL;
}

LONG WINAPI ShimRegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size) {
    if (Refused(name, "write")) return ERROR_ACCESS_DENIED;
    return g_originalSetValue(key, name, reserved, type, data, size);
}

LONG WINAPI ShimRegDeleteValueA(HKEY key, LPCSTR name) {
    if (Refused(name, "delete")) return ERROR_ACCESS_DENIED;
    return g_originalDeleteValue(key, name);
}

// Version query recorder: the sizes the program gives GetVersionExA are
// appended, one line each, to the file that KOVSHIM_VERSION_SIZES names, so a
// test sees which record sizes the process under test really passes. With
// KOVSHIM_REFUSE_EXTENDED_VERSION set, the extended record (any size above
// the basic one) is refused as a system that knows only the basic record
// refuses it, so that the program's second query is seen too.
typedef BOOL(WINAPI *GetVersionExAFn)(LPOSVERSIONINFOA);
GetVersionExAFn g_originalGetVersion;

BOOL WINAPI ShimGetVersionExA(LPOSVERSIONINFOA version) {
    char log[MAX_PATH] = "";
    DWORD size = version ? version->dwOSVersionInfoSize : 0;
    if (GetEnvironmentVariableA("KOVSHIM_VERSION_SIZES", log, sizeof log)) {
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            char line[16];
            int at = sizeof line;
            line[--at] = '\n';
            DWORD digits = size;
            do line[--at] = (char)('0' + digits % 10); while ((digits /= 10) != 0 && at > 0);
            DWORD written = 0;
            WriteFile(file, line + at, (DWORD)(sizeof line - at), &written, NULL);
            CloseHandle(file);
        }
    }
    char refuse[8] = "";
    if (size > sizeof(OSVERSIONINFOA) &&
        GetEnvironmentVariableA("KOVSHIM_REFUSE_EXTENDED_VERSION", refuse, sizeof refuse)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return g_originalGetVersion(version);
}

}  // namespace

int InstallVersionRecorder() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return 0;
    g_originalGetVersion = (GetVersionExAFn)(void *)GetProcAddress(kernel, "GetVersionExA");
    if (!g_originalGetVersion) return 0;
    return PatchImport(GetModuleHandleA(NULL), "GetVersionExA", (void *)g_originalGetVersion,
                       (void *)&ShimGetVersionExA);
}

int InstallVolumeShim() {
    if (!g_original)
        g_original = (DeviceIoControlFn)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "DeviceIoControl");
    if (!g_original) return 0;
    HMODULE self = NULL;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCSTR)&ShimDeviceIoControl, &self);
    int patched = PatchModule(GetModuleHandleA(NULL));
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snapshot != INVALID_HANDLE_VALUE) {
        MODULEENTRY32 entry;
        entry.dwSize = sizeof entry;
        for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
            // System modules keep their own calls; the exe was done above.
            if (entry.hModule == GetModuleHandleA(NULL) || entry.hModule == self) continue;
            char path[MAX_PATH];
            GetSystemDirectoryA(path, sizeof path);
            if (_strnicmp(entry.szExePath, path, strlen(path)) == 0) continue;
            patched += PatchModule(entry.hModule);
        }
        CloseHandle(snapshot);
    }
    return patched;
}

long VolumeShimForwardCount() { return g_forwarded; }

int InstallRegistryRefusals() {
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    if (!advapi) return 0;
    g_originalSetValue = (RegSetValueExAFn)(void *)GetProcAddress(advapi, "RegSetValueExA");
    g_originalDeleteValue = (RegDeleteValueAFn)(void *)GetProcAddress(advapi, "RegDeleteValueA");
    if (!g_originalSetValue || !g_originalDeleteValue) return 0;
    HMODULE program = GetModuleHandleA(NULL);
    return PatchImport(program, "RegSetValueExA", (void *)g_originalSetValue, (void *)&ShimRegSetValueExA) +
           PatchImport(program, "RegDeleteValueA", (void *)g_originalDeleteValue, (void *)&ShimRegDeleteValueA);
}

namespace {

// Whether a module of that file name is loaded in the process.
bool HasModule(DWORD processId, const char *dllPath) {
    const char *file = strrchr(dllPath, '\\');
    file = file ? file + 1 : dllPath;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    MODULEENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more && !found; more = Module32Next(snapshot, &entry))
        found = _stricmp(entry.szModule, file) == 0;
    CloseHandle(snapshot);
    return found;
}

}  // namespace

int StartWithVolumeShim(const char *commandLine, const char *dllPath, PROCESS_INFORMATION *process) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    char *line = _strdup(commandLine);
    BOOL started = CreateProcessA(NULL, line, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &startup, process);
    free(line);
    if (!started) return 0;

    size_t length = strlen(dllPath) + 1;
    void *remote = VirtualAllocEx(process->hProcess, NULL, length, MEM_COMMIT, PAGE_READWRITE);
    FARPROC loadLibrary = GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA");
    bool loaded = false;
    if (remote && WriteProcessMemory(process->hProcess, remote, dllPath, length, NULL)) {
        HANDLE thread = CreateRemoteThread(process->hProcess, NULL, 0, (LPTHREAD_START_ROUTINE)(void *)loadLibrary,
                                           remote, 0, NULL);
        if (thread) {
            loaded = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0 && HasModule(process->dwProcessId, dllPath);
            CloseHandle(thread);
        }
    }
    if (remote) VirtualFreeEx(process->hProcess, remote, 0, MEM_RELEASE);
    if (!loaded) {
        TerminateProcess(process->hProcess, 1);
        CloseHandle(process->hThread);
        CloseHandle(process->hProcess);
        return 0;
    }
    ResumeThread(process->hThread);
    return 1;
}
