#include "main_window_under_test.h"

#include <commctrl.h>

#include "maintenance/registry/registry_settings.h"
#include "resources/resource.h"
#include "shell/manager/main_window.h"
#include "shell/state/process_state.h"

const char kMainWindowUnderTestCaption[] = "Kovara main window under test";

namespace {

HWND g_window = NULL;
MainWindowState g_state;

DWORD WINAPI RunWindow(LPVOID ready) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // A registered user on an authorised token: the log-in page. No vault is
    // recorded open, so no stale-vault question is asked.
    ClearOpenVault();
    g_process.vaultRegistered = 1;
    g_process.userExists = 1;
    g_window = CreateMainWindow(GetModuleHandleA(NULL), &g_state);
    // Renamed so that the robot tells it from the "Kovara" boxes it owns.
    SetWindowTextA(g_window, kMainWindowUnderTestCaption);
    SetEvent(static_cast<HANDLE>(ready));
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (!IsDialogMessageA(g_window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}

HWND TheMainWindow() {
    if (!g_window) {
        HANDLE ready = CreateEventA(NULL, TRUE, FALSE, NULL);
        CloseHandle(CreateThread(NULL, 0, RunWindow, ready, 0, NULL));
        WaitForSingleObject(ready, 10000);
        CloseHandle(ready);
    }
    return g_window;
}

}  // namespace

MainWindowUnderTest::MainWindowUnderTest() : window_(TheMainWindow()) {
    Type("", "");
    SendDlgItemMessageA(window_, IDC_LOGIN_PROGRESS, PBM_SETPOS, 0, 0);
    ShowWindow(window_, SW_SHOW);
}

MainWindowUnderTest::~MainWindowUnderTest() { ShowWindow(window_, SW_HIDE); }

void MainWindowUnderTest::Type(const char *user, const char *password) {
    SetDlgItemTextA(window_, IDC_LOGIN_USER, user);
    SetDlgItemTextA(window_, IDC_LOGIN_PASSWORD, password);
}

int MainWindowUnderTest::Progress() const {
    return static_cast<int>(SendDlgItemMessageA(window_, IDC_LOGIN_PROGRESS, PBM_GETPOS, 0, 0));
}

std::string MainWindowUnderTest::Status() const {
    char text[100] = "";
    GetDlgItemTextA(window_, IDC_LOGIN_STATUS, text, sizeof text);
    return text;
}
