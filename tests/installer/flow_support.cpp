#include "flow_support.h"

#include <objbase.h>
#include <setupapi.h>
#include <shlobj.h>
#include <commctrl.h>

#include "ntfs_check.h"
#include "shared/driver/driver_calls.h"

namespace flow {

std::string DistributionFolder() {
    char value[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("KOVARA_DIST", value, sizeof value);
    return length && length < sizeof value ? value : "";
}

bool CopyFolder(const std::string &from, const std::string &to, const std::vector<std::string> &leaveOut) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == ".." || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        bool skip = false;
        for (const auto &left : leaveOut) skip = skip || left == name;
        if (!skip) ok = CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE) && ok;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return ok;
}

bool RemoveTree(const std::string &folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryA(folder.c_str()) || !Exists(folder);
}

Process StartSuspended(const std::string &exe, const std::string &folder) {
    Process process;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = "\"" + exe + "\"";
    process.started = CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                     folder.c_str(), &startup, &process.info) != 0;
    return process;
}

void Resume(Process &process) {
    if (process.started) ResumeThread(process.info.hThread);
}

bool WaitForExit(Process &process, DWORD timeoutMs) {
    return process.started && WaitForSingleObject(process.info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void Close(Process &process) {
    if (!process.started) return;
    if (WaitForSingleObject(process.info.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.info.hProcess, 1);
    CloseHandle(process.info.hThread);
    CloseHandle(process.info.hProcess);
    process.started = false;
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadAll(const std::string &path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD read;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

bool WriteAll(const std::string &path, const std::string &bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

bool WaitUntilGone(const std::string &path, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        if (!Exists(path)) return true;
        Sleep(100);
    }
    return !Exists(path);
}

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

namespace {

// Starts a Unix program; Wine gives no process handle, so callers wait on
// what it does.
bool StartUnix(const std::string &line) {
    std::vector<char> command(line.begin(), line.end());
    command.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return false;
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    return true;
}

bool IsFolderLink(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool MakeFolderLink(const std::string &link, const std::string &target) {
    std::string unixTarget = UnixPathOf(target);
    std::string parent = link.substr(0, link.rfind('\\'));
    std::string unixLink = UnixPathOf(parent) + "/" + link.substr(link.rfind('\\') + 1);
    if (unixTarget.empty() || unixLink.size() < 2) return false;
    if (!StartUnix("/bin/ln -s \"" + unixTarget + "\" \"" + unixLink + "\"")) return false;
    return WaitUntil([&link] { return IsFolderLink(link); });
}

bool RemoveFolderLink(const std::string &link) {
    std::string unixLink = UnixPathOf(link);
    if (unixLink.empty() || !StartUnix("/bin/rm -f \"" + unixLink + "\"")) return false;
    return WaitUntil([&link] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

std::string RegString(HKEY root, const char *key, const char *value) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return "<missing>";
    char data[1024] = "";
    DWORD size = sizeof data - 1, type = 0;
    LONG read = RegQueryValueExA(opened, value, nullptr, &type, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(opened);
    if (read != ERROR_SUCCESS) return "<missing>";
    if (type != REG_SZ) return "<not REG_SZ>";
    return data;
}

bool RegKeyExists(HKEY root, const char *key) {
    HKEY opened;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

bool RegSetString(HKEY root, const char *key, const char *value, const char *data) {
    HKEY opened;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr) != ERROR_SUCCESS) return false;
    bool ok = RegSetValueExA(opened, value, 0, REG_SZ, reinterpret_cast<const BYTE *>(data),
                             static_cast<DWORD>(strlen(data) + 1)) == ERROR_SUCCESS;
    RegCloseKey(opened);
    return ok;
}

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = "";
    return SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? path : "";
}

Link ReadLink(const std::string &path) {
    Link link;
    HRESULT init = CoInitialize(nullptr);
    IShellLinkA *shell = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void **>(&shell)))) {
        IPersistFile *file = nullptr;
        if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(file->Load(wide, STGM_READ))) {
                char text[MAX_PATH] = "";
                link.loaded = true;
                if (SUCCEEDED(shell->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) link.target = text;
                text[0] = '\0';
                if (SUCCEEDED(shell->GetWorkingDirectory(text, MAX_PATH))) link.workingFolder = text;
                text[0] = '\0';
                if (SUCCEEDED(shell->GetDescription(text, MAX_PATH))) link.description = text;
                text[0] = '\0';
                int index = -1;
                if (SUCCEEDED(shell->GetIconLocation(text, MAX_PATH, &index))) {
                    link.iconPath = text;
                    link.iconIndex = index;
                }
            }
            file->Release();
        }
        shell->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return link;
}

int KovdevDeviceCount() {
    HDEVINFO devices = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        char ids[1024] = {};
        if (!SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE *>(ids), sizeof ids - 2, nullptr))
            continue;
        for (const char *id = ids; *id; id += strlen(id) + 1)
            if (!strcmp(id, "Kovdev")) ++count;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return count;
}

bool CreateBareKovdevDevice() {
    static const GUID kClass = {0x13B08C99, 0x0084, 0x4408, {0xBC, 0xAB, 0x0A, 0x70, 0xC9, 0x30, 0x5C, 0x10}};
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kClass, nullptr);
    if (set == INVALID_HANDLE_VALUE) return false;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    static const char ids[] = "Kovdev\0";
    bool ok = SetupDiCreateDeviceInfoA(set, "KovaraVault", &kClass, nullptr, nullptr, DICD_GENERATE_ID, &device) &&
              SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE *>(ids),
                                                sizeof ids) &&
              SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
    SetupDiDestroyDeviceInfoList(set);
    return ok;
}

bool DriverAnswers() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE device = OpenControlDevice();
        if (device != INVALID_HANDLE_VALUE) {
            CloseHandle(device);
            return DriverReady() != 0;
        }
        Sleep(200);
    }
    return false;
}

int ListRows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

}  // namespace flow
