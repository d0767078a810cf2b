#include "uninstaller/self_delete.h"

#include <windows.h>

namespace {

const char kBatch[] = "\\DelUS.bat";
// Tries before the batch gives up on an uninstaller that something else keeps
// from being deleted: the uninstaller itself is gone after a few, and a loop
// without an end would run at idle priority until the next restart.
const char kTries[] = "1000";

// cmd expands "%" in a batch file even inside quotes; "%%" stands for one.
std::string BatchQuoted(const char *path) {
    std::string quoted("\"");
    for (const char *c = path; *c; ++c) quoted += *c == '%' ? "%%" : std::string(1, *c);
    return quoted + "\"";
}

// The batch can only succeed when nothing keeps this file from being
// deleted once the uninstaller has exited; otherwise its loop would never end.
bool CanBeDeleted(const char *path) {
    HANDLE file = CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// A new file that only this process has opened: a file of the name that
// someone else made keeps their ownership and could be rewritten while cmd
// reads it, so it is deleted first, and a file that comes back in between
// makes the creation fail.
HANDLE CreateBatchFile() {
    SetFileAttributesA(kBatch, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(kBatch);
    return CreateFileA(kBatch, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::string SelfDeleteBatchText(const char *uninstallerPath, const char *programFolder) {
    const std::string self = BatchQuoted(uninstallerPath);
    return std::string("set KovaraTries=0\r\n:Repeat\r\ndel ") + self + "\r\nset /a KovaraTries+=1\r\nif exist " + self +
           " if %KovaraTries% lss " + kTries + " goto Repeat\r\nrmdir " + BatchQuoted(programFolder) + "\r\ndel " +
           BatchQuoted(kBatch) + "\r\n";
}

void StartSelfDelete(const char *uninstallerPath, const char *programFolder) {
    SetFileAttributesA(uninstallerPath, FILE_ATTRIBUTE_NORMAL);
    if (!CanBeDeleted(uninstallerPath)) return;
    std::string text = SelfDeleteBatchText(uninstallerPath, programFolder);
    HANDLE file = CreateBatchFile();
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (!CloseHandle(file) || !ok || written != text.size()) {
        DeleteFileA(kBatch);
        return;
    }

    char shell[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ComSpec", shell, sizeof shell);
    if (!length || length >= sizeof shell) lstrcpyA(shell, "cmd.exe");
    // The counted loop needs cmd's extensions, which the registry can turn off.
    std::string command = std::string("\"") + shell + "\" /e:on /c " + kBatch;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | IDLE_PRIORITY_CLASS | CREATE_NO_WINDOW, nullptr, "\\", &startup, &process))
        return;
    SetThreadPriority(process.hThread, THREAD_PRIORITY_IDLE);
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
