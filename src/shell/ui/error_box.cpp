#include "shell/ui/error_box.h"
#include "shell/ui/message_box.h"

#include <string.h>

namespace {

const char kSystemPrefix[] = "\n\n\nSystem Reported Error:\n";

// The system's text for an error, allocated by the system (release with
// LocalFree), or NULL when the message table has none.
char *SystemText(DWORD error) {
    char *text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (!length && text) {
        LocalFree(text);
        text = nullptr;
    }
    return text;
}

}  // namespace

void SystemErrorBox(HWND owner, const char *text) {
    // Taken first: every later call may change the last error.
    DWORD error = GetLastError();
    if (!text) text = "";
    // No error recorded: the system's text would be its success message.
    char *system = error ? SystemText(error) : nullptr;
    if (!system || !*system) {
        ShowMessageBox(owner, text);
    } else {
        size_t size = strlen(text) + sizeof kSystemPrefix + strlen(system);
        char *joined = static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, size));
        if (joined) {
            strcpy(joined, text);
            strcat(joined, kSystemPrefix);
            strcat(joined, system);
            ShowMessageBox(owner, joined);
            HeapFree(GetProcessHeap(), 0, joined);
        } else {
            ShowMessageBox(owner, text);
        }
    }
    if (system) LocalFree(system);
}

void LastErrorBox(HWND owner) {
    char *system = SystemText(GetLastError());
    ShowMessageBox(owner, system ? system : "");
    if (system) LocalFree(system);
}
