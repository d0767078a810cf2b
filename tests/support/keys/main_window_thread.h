// The main window (template 406) on a thread of its own that keeps pumping
// messages, as the program's message loop would. The operation under test
// runs on the test thread; the robot can then always read the window, and
// stopping the robot never waits on a thread that is blocked itself.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "resource.h"

class MainWindowThread {
public:
    explicit MainWindowThread(const char *caption) : caption_(caption) {
        ready_ = CreateEventA(NULL, TRUE, FALSE, NULL);
        thread_ = CreateThread(NULL, 0, Run, this, 0, &threadId_);
        WaitForSingleObject(ready_, 10000);
    }
    ~MainWindowThread() {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    HWND window() const { return window_; }
    void Type(const char *user, const char *password) {
        SetDlgItemTextA(window_, IDC_LOGIN_USER, user);
        SetDlgItemTextA(window_, IDC_LOGIN_PASSWORD, password);
    }
    int Progress() const {
        return static_cast<int>(SendDlgItemMessageA(window_, IDC_LOGIN_PROGRESS, PBM_GETPOS, 0, 0));
    }
    std::string Status() const {
        char text[100] = "";
        GetDlgItemTextA(window_, IDC_LOGIN_STATUS, text, sizeof text);
        return text;
    }

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM, LPARAM) {
        if (message == WM_INITDIALOG) return TRUE;
        if (message == WM_CLOSE) {
            DestroyWindow(window);
            PostQuitMessage(0);
            return TRUE;
        }
        return FALSE;
    }
    static DWORD WINAPI Run(LPVOID argument) {
        MainWindowThread *self = static_cast<MainWindowThread *>(argument);
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        HWND window = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_MAIN_WINDOW), NULL, Proc, 0);
        SendDlgItemMessageA(window, IDC_LOGIN_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 20));
        SendDlgItemMessageA(window, IDC_LOGIN_PROGRESS, PBM_SETSTEP, 1, 0);
        // Renamed so that the robot tells it from the message boxes it owns.
        SetWindowTextA(window, self->caption_);
        ShowWindow(window, SW_SHOW);
        self->window_ = window;
        SetEvent(self->ready_);
        MSG msg;
        while (GetMessageA(&msg, NULL, 0, 0) > 0) {
            if (!IsDialogMessageA(window, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        return 0;
    }

    const char *caption_;
    HANDLE ready_ = NULL;
    HANDLE thread_ = NULL;
    DWORD threadId_ = 0;
    HWND window_ = NULL;
};
