#include "uninstaller/self_delete.h"

#include <windows.h>

namespace {
const char kBatch[] = "\\DelUS.bat";
}

std::string SelfDeleteBatchText(const char *uninstallerPath, const char *programFolder) {
    const std::string self = std::string("\"") + uninstallerPath + "\"";
    return ":Repeat\r\ndel " + self + "\r\nif exist " + self + " goto Repeat\r\nrmdir \"" + programFolder +
           "\"\r\ndel \"" + kBatch + "\"\r\n";
}

void StartSelfDelete(const char *uninstallerPath, const char *programFolder) {
    std::string text = SelfDeleteBatchText(uninstallerPath, programFolder);
    HANDLE file = CreateFileA(kBatch, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != text.size()) return;

    SetFileAttributesA(uninstallerPath, FILE_ATTRIBUTE_NORMAL);

    char shell[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ComSpec", shell, sizeof shell);
    if (!length || length >= sizeof shell) lstrcpyA(shell, "cmd.exe");
    std::string command = std::string("\"") + shell + "\" /c " + kBatch;
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
