#include "shell_helper.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "manager_window.h"

namespace {

// A copy in start-up may sit in its token dialogs for a while.
constexpr DWORD kStartUpWaitMs = 60000;
constexpr DWORD kPollMs = 200;

bool ManagerRunning() {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Kovara");
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

// The main window of a copy that is starting up; NULL when it ends first or
// shows no window in time.
HWND WaitForManagerWindow() {
    for (DWORD waited = 0; waited < kStartUpWaitMs; waited += kPollMs) {
        if (HWND window = FindManagerWindow()) return window;
        if (!ManagerRunning()) return nullptr;
        Sleep(kPollMs);
    }
    return nullptr;
}

// Starts Kovara.exe from this program's folder.
bool StartManager() {
    char self[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    std::string folder(self, length);
    size_t slash = folder.rfind('\\');
    if (slash == std::string::npos) return false;
    folder.resize(slash == 2 ? 3 : slash);  // a drive root keeps its backslash
    std::string manager = folder + (folder.back() == '\\' ? "" : "\\") + "Kovara.exe";
    HINSTANCE result = ShellExecuteA(nullptr, "open", manager.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace

int RunShellHelper() {
    HWND window = FindManagerWindow();
    if (!window && ManagerRunning()) {
        window = WaitForManagerWindow();
        if (!window) return 1;
    }
    if (window) return SendOpenAndExplorer(window) ? 0 : 1;
    return StartManager() ? 0 : 1;
}
