#include "manager_run.h"

#include <string.h>

#include "maintenance/registry/registry_settings.h"
#include "resources/resource.h"
#include "robot.h"
#include "token/operations/token_operations.h"
#include "volume_shim.h"

const char kTokenPin[] = "1234";

namespace {

std::string HostToWindows(std::string path) {
    // The build gives a host path; Wine shows the host's root as drive Z:.
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char &c : path)
        if (c == '/') c = '\\';
    return path;
}

bool IsExplorer(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return !strcmp(name, "ExplorerWClass") || !strcmp(name, "CabinetWClass");
}

BOOL CALLBACK CloseExplorer(HWND window, LPARAM) {
    if (IsExplorer(window)) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

BOOL CALLBACK FindExplorer(HWND window, LPARAM found) {
    if (!IsExplorer(window)) return TRUE;
    *reinterpret_cast<HWND *>(found) = window;
    return FALSE;
}

HWND AnyExplorer() {
    HWND found = NULL;
    EnumWindows(FindExplorer, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

ManagerRun::ManagerRun() : programFolder_(scratch_.path) {
    for (const char *sub : {"Key", "Vault", "PRF"}) CreateDirectoryA(File(sub).c_str(), NULL);
    CopyFileA(HostToWindows(KOVARA_EXE).c_str(), File("Kovara.exe").c_str(), FALSE);
#ifdef SHELL_HELPER_EXE
    CopyFileA(HostToWindows(SHELL_HELPER_EXE).c_str(), File("ShellHelperKO.exe").c_str(), FALSE);
#endif
}

ManagerRun::ManagerRun(const std::string &programFolder) : programFolder_(programFolder) {}

ManagerRun::~ManagerRun() {
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    // Explorer windows left open hold the next test's drives: they go
    // before the next run starts.
    EnumWindows(CloseExplorer, 0);
    robot::WaitUntil([] { return AnyExplorer() == NULL; }, 15000);
}

namespace {

// A visible window of another process than the program and the test whose
// title holds the drive.
struct DriveWindowSearch {
    DWORD self;
    const std::string *drive;
    HWND found;
};

// An enumeration callback is a standard call in the 32-bit build, which a
// lambda cannot be.
BOOL CALLBACK FindDriveWindow(HWND w, LPARAM p) {
    DriveWindowSearch *s = reinterpret_cast<DriveWindowSearch *>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (!IsWindowVisible(w) || pid == s->self || pid == GetCurrentProcessId()) return TRUE;
    if (robot::WindowText(w).find(*s->drive) == std::string::npos) return TRUE;
    s->found = w;
    return FALSE;
}

}  // namespace

bool ManagerRun::CloseExplorerOn(const std::string &drive) {
    DriveWindowSearch search = {pid(), &drive, NULL};
    robot::WaitUntil(
        [&] {
            EnumWindows(FindDriveWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != NULL;
        },
        20000);
    if (!search.found) return false;
    PostMessageA(search.found, WM_CLOSE, 0, 0);
    return robot::WaitForClose(search.found, 15000);
}

bool ManagerRun::Start() {
    std::string command = "\"" + File("Kovara.exe") + "\"";
    return StartWithVolumeShim(command.c_str(), HostToWindows(KOVSHIM_DLL).c_str(), &process_) != 0;
}

DWORD ManagerRun::WaitForExit(DWORD timeoutMs) {
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

HWND ManagerRun::WaitForDialog(const char *caption, DWORD timeoutMs) {
    return robot::WaitForWindow("#32770", caption, timeoutMs, pid());
}

bool ManagerRun::AuthoriseToken() {
    HWND dialog = WaitForDialog("Kovara - Token Authorisation");
    if (!dialog) return false;
    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, kTokenPin);
    robot::PressButton(dialog, IDC_TOKEN_OK);
    return robot::WaitForClose(dialog, 20000);
}

HWND ManagerRun::WaitForMainWindow() {
    // Message boxes share the caption; the main window holds the page controls.
    DWORD end = GetTickCount() + 20000;
    while (GetTickCount() < end) {
        HWND window = robot::WaitForWindow("#32770", "Kovara", 1000, pid());
        if (window && GetDlgItem(window, IDC_LOGIN_OK)) return window;
    }
    return NULL;
}

RegisteredUser::RegisteredUser(const ManagerRun &run)
    : user("Ann", "pw of ann", run.File("Vault\\Kovara_Ann.udf"), 77) {
    MakeVaultFile(user.vaultPath, user.vaultKey, 6 * 1048576);
    WriteBytes(run.File("Key\\Ann.vault"), VaultInfoFor(user.vaultPath, user.keyBlock));
    RegisterVault("Ann", user.vaultPath.c_str());
    if (SelectToken(NULL, "EToken")) {
        Bytes record = user.record;
        StoreTokenKey(NULL, record.data(), kTokenPin);
    }
}

RegisteredUser::~RegisteredUser() {
    UnregisterVault("Ann");
    if (SelectToken(NULL, "EToken")) DeleteTokenKey(NULL, kTokenPin);
}

void SetWindowsVersionForKovara(const char *version) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Kovara.exe", 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &key, NULL) != ERROR_SUCCESS)
        return;
    if (version)
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version),
                       static_cast<DWORD>(strlen(version) + 1));
    else
        RegDeleteValueA(key, "Version");
    RegCloseKey(key);
}

SentMessage::SentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    : window_(window), message_(message), wParam_(wParam), lParam_(lParam) {
    thread_ = CreateThread(NULL, 0, Run, this, 0, NULL);
}

SentMessage::~SentMessage() {
    if (WaitForSingleObject(thread_, 30000) != WAIT_OBJECT_0) TerminateThread(thread_, 1);
    CloseHandle(thread_);
}

DWORD WINAPI SentMessage::Run(LPVOID argument) {
    SentMessage *self = static_cast<SentMessage *>(argument);
    DWORD_PTR result = 0;
    self->answered_ = SendMessageTimeoutA(self->window_, self->message_, self->wParam_, self->lParam_, SMTO_NORMAL,
                                          60000, &result) != 0;
    self->result_ = static_cast<LRESULT>(result);
    return 0;
}

bool SentMessage::Wait(LRESULT *result, DWORD timeoutMs) {
    if (WaitForSingleObject(thread_, timeoutMs) != WAIT_OBJECT_0) return false;
    *result = result_;
    return answered_ != FALSE;
}

std::string OpenVaultValue() {
    char text[300];
    if (!ReadOpenVault(text, sizeof text)) return OpenVaultPresent() ? "<unreadable>" : "<no value>";
    return text;
}
