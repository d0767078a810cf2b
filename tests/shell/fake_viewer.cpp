// Stand-ins for the HTML Help viewer, loaded in place of the system's one.
// Each load appends "load" to the file named by KOVARA_VIEWER_LOG; the
// working one also logs every call and answers with a value made of its
// arguments.
#include <windows.h>

#include <stdio.h>

namespace {

void Log(const char *line) {
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("KOVARA_VIEWER_LOG", path, MAX_PATH)) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) Log("load\n");
    return TRUE;
}

#ifdef KOVARA_WORKING_VIEWER
extern "C" HWND WINAPI ViewerEntry(HWND owner, LPCSTR file, UINT command, DWORD_PTR data) {
    char line[400];
    snprintf(line, sizeof line, "call %llx %s %u %llu\n",
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(owner)), file ? file : "(null)", command,
             static_cast<unsigned long long>(data));
    Log(line);
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(command * 1000 + data));
}
#endif
