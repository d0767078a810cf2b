#include "shell/ui/error_box.h"

#include <string>

#include "shell/ui/message_box.h"
#include "shell/ui/system_error_text.h"

void SystemErrorBox(HWND owner, const char *text) {
    // Taken first: every later call may change the last error.
    DWORD error = GetLastError();
    std::string shown = text ? text : "";
    // No error recorded: the system's text would be its success message.
    std::string system = error ? SystemErrorText(error) : std::string();
    if (!system.empty()) shown += "\n\n\nSystem Reported Error:\n" + system;
    ShowMessageBox(owner, shown.c_str());
}

void LastErrorBox(HWND owner) { ShowMessageBox(owner, SystemErrorText(GetLastError()).c_str()); }
