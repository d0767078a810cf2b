#include "manager_window.h"

#include <cstring>

#include "resources/resource.h"

const char kOpenAndExplorer[] = "OpenAndExplorer";

namespace {

constexpr UINT kSendTimeoutMs = 15000;

BOOL CALLBACK CheckWindow(HWND window, LPARAM found) {
    char className[16] = "";
    char title[16] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(className, "#32770") == 0 && std::strcmp(title, "Kovara") == 0 &&
        GetDlgItem(window, IDC_PAGE_PICTURE) != nullptr) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindManagerWindow() {
    HWND found = nullptr;
    EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool SendOpenAndExplorer(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != 0) AllowSetForegroundWindow(processId);

    COPYDATASTRUCT request = {};
    request.dwData = 0;
    request.cbData = sizeof kOpenAndExplorer;  // the zero included
    request.lpData = const_cast<char *>(kOpenAndExplorer);
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&request), SMTO_ABORTIFHUNG,
                               kSendTimeoutMs, &answer) != 0;
}
