// Test-bed tool for scripts/run: installs the product from a distribution
// folder through its installer, as a person would: presses "Install" and
// answers "Yes" to running the program, so that the installer starts the
// installed vault manager. Any other box of the installer is left on the
// display for the person and its text printed.
// It then waits until that vault manager has ended. With --no-start it
// answers "No" instead and returns when the installer has ended.
//   run_setup [--no-start] DIST_FOLDER     exit 0 when the installation completed
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "resources/setup_kovara/setup_kovara_ids.h"

namespace {

struct Search {
    DWORD pid;
    const char *className;
    HWND found;
};

BOOL CALLBACK FindOfProcess(HWND window, LPARAM param) {
    Search *search = reinterpret_cast<Search *>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (pid == search->pid && IsWindowVisible(window) && !strcmp(name, search->className)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WindowOf(DWORD pid, const char *className) {
    Search search = {pid, className, nullptr};
    EnumWindows(FindOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Text(HWND window) {
    char text[2048] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// Waits for the vault manager that the installer started, if it runs.
void WaitForManager() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return;
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        DWORD pid = 0;
        for (BOOL more = Process32First(snapshot, &entry); more && !pid; more = Process32Next(snapshot, &entry))
            if (!lstrcmpiA(entry.szExeFile, "Kovara.exe")) pid = entry.th32ProcessID;
        CloseHandle(snapshot);
        if (pid) {
            HANDLE manager = OpenProcess(SYNCHRONIZE, FALSE, pid);
            if (manager) {
                WaitForSingleObject(manager, INFINITE);
                CloseHandle(manager);
            }
            return;
        }
        Sleep(200);
    }
}

}  // namespace

int main(int argc, char **argv) {
    bool start = !(argc == 3 && !strcmp(argv[1], "--no-start"));
    if (argc != (start ? 2 : 3)) {
        fprintf(stderr, "usage: run_setup [--no-start] DIST_FOLDER\n");
        return 2;
    }
    std::string folder = argv[argc - 1];
    std::string setup = folder + "\\setup_kovara.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + setup + "\"";
    if (!CreateProcessA(setup.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        fprintf(stderr, "run_setup: cannot start %s (error %lu)\n", setup.c_str(), GetLastError());
        return 1;
    }
    HWND dialog = nullptr;
    bool pressed = false, congratulated = false;
    std::string lastReported;
    while (WaitForSingleObject(process.hProcess, 200) == WAIT_TIMEOUT) {
        if (!pressed && (dialog = WindowOf(process.dwProcessId, "InstallKovara")) != nullptr) {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_INSTALL, BN_CLICKED), 0);
            pressed = true;
        }
        HWND box = WindowOf(process.dwProcessId, "#32770");
        if (!box) continue;
        std::string text = Text(GetDlgItem(box, 0xFFFF));
        if (text.rfind("Congratulations!", 0) == 0) {
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(start ? IDYES : IDNO, BN_CLICKED), 0);
            congratulated = true;
        } else if (text != lastReported) {
            fprintf(stderr, "run_setup: the installer asks: %s\n", text.c_str());
            lastReported = text;
        }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!congratulated) return 1;
    if (start) WaitForManager();
    return 0;
}
