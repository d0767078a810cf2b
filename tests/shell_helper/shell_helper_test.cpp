// ShellHelperKO.exe as a process against windows of this test: the request
// reaches the vault manager's main window only, a copy still starting up is
// waited for, and Kovara.exe is started only when no copy runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "robot.h"

namespace {

constexpr int kPagePictureId = 1438;
constexpr DWORD kHelperTimeoutMs = 90000;

std::string WindowsPath(const char *unixPath) {
    std::string path = "Z:";
    for (const char *p = unixPath; *p; ++p) path += (*p == '/') ? '\\' : *p;
    return path;
}

// Every WM_COPYDATA payload each window received, bytes as sent.
std::mutex received_lock;
std::map<HWND, std::vector<std::string>> received;

INT_PTR CALLBACK RecordingProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COPYDATA) {
        auto *data = reinterpret_cast<const COPYDATASTRUCT *>(lParam);
        std::lock_guard<std::mutex> hold(received_lock);
        received[window].emplace_back(static_cast<const char *>(data->lpData), data->cbData);
        return TRUE;
    }
    return FALSE;
}

// An in-memory dialog template titled "Kovara", with or without the page
// picture control of the vault manager's main window.
std::vector<WORD> KovaraTemplate(bool withPagePicture) {
    std::vector<WORD> t;
    auto dword = [&t](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto text = [&t](const char *s) {
        while (*s) t.push_back(static_cast<WORD>(*s++));
        t.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION | WS_SYSMENU);  // style
    dword(0);                                   // extended style
    t.push_back(withPagePicture ? 1 : 0);       // items
    t.push_back(0);
    t.push_back(0);
    t.push_back(200);
    t.push_back(100);
    t.push_back(0);  // no menu
    t.push_back(0);  // dialog class
    text("Kovara");
    if (withPagePicture) {
        if (t.size() % 2) t.push_back(0);  // items start on a DWORD boundary
        dword(WS_CHILD | WS_VISIBLE);
        dword(0);
        t.push_back(7);
        t.push_back(7);
        t.push_back(50);
        t.push_back(50);
        t.push_back(kPagePictureId);
        t.push_back(0xFFFF);
        t.push_back(0x0082);  // Static
        text("");
        t.push_back(0);  // no creation data
    }
    return t;
}

// Dialogs of this test on a thread of their own that pumps their messages,
// as the vault manager's message loop does.
class WindowThread {
public:
    WindowThread() : thread_([this] { Run(); }) {
        std::unique_lock<std::mutex> hold(lock_);
        ready_.wait(hold, [this] { return threadId_ != 0; });
    }
    ~WindowThread() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    // Creates a dialog on the thread; shown or hidden.
    HWND Create(bool withPagePicture, bool shown) {
        HWND created = nullptr;
        Call([&] {
            std::vector<WORD> t = KovaraTemplate(withPagePicture);
            created = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(t.data()),
                                                 nullptr, RecordingProc, 0);
            if (created) {
                ShowWindow(created, shown ? SW_SHOWNOACTIVATE : SW_HIDE);
                windows_.push_back(created);
            }
        });
        return created;
    }

private:
    static constexpr UINT kCall = WM_APP + 7;
    void Call(std::function<void()> job) {
        std::promise<void> done;
        job_ = [&] {
            job();
            done.set_value();
        };
        PostThreadMessageA(threadId_, kCall, 0, 0);
        done.get_future().wait();
    }
    void Run() {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue
        {
            std::lock_guard<std::mutex> hold(lock_);
            threadId_ = GetCurrentThreadId();
        }
        ready_.notify_all();
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == nullptr && msg.message == kCall) {
                job_();
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        for (HWND window : windows_) DestroyWindow(window);
    }
    std::mutex lock_;
    std::condition_variable ready_;
    DWORD threadId_ = 0;
    std::function<void()> job_;
    std::vector<HWND> windows_;
    std::thread thread_;
};

struct HelperRun {
    bool started = false;
    DWORD exitCode = STILL_ACTIVE;
};

// Runs the helper to its end; whileRunning, when given, runs as soon as the
// helper's process exists.
HelperRun RunHelper(const std::string &exe, const std::function<void()> &whileRunning = nullptr) {
    HelperRun run;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return run;
    run.started = true;
    if (whileRunning) whileRunning();
    WaitForSingleObject(process.hProcess, kHelperTimeoutMs);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

std::vector<std::string> Received(HWND window) {
    std::lock_guard<std::mutex> hold(received_lock);
    return received[window];
}

// A folder holding a copy of ShellHelperKO.exe and the fake Kovara.exe.
struct HelperFolder {
    std::string folder, helper, marker;
    HelperFolder() {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "kovara_shell_helper_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        helper = folder + "\\ShellHelperKO.exe";
        marker = folder + "\\started.txt";
        CopyFileA(WindowsPath(KOVARA_SHELL_HELPER_EXE).c_str(), helper.c_str(), FALSE);
        CopyFileA(WindowsPath(KOVARA_FAKE_MANAGER_EXE).c_str(), (folder + "\\Kovara.exe").c_str(), FALSE);
        DeleteFileA(marker.c_str());
    }
    ~HelperFolder() {
        DeleteFileA(marker.c_str());
        DeleteFileA(helper.c_str());
        DeleteFileA((folder + "\\Kovara.exe").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    bool ManagerStarted(DWORD waitMs) {
        return static_cast<bool>(robot::WaitUntil(
            [this] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, waitMs,
            "the fake Kovara.exe marks itself started"));
    }
};

TEST(ShellHelper, SendsOpenAndExplorerToTheHiddenMainWindowOnly) {
    WindowThread windows;
    HWND mainWindow = windows.Create(true, false);  // hidden, as while a vault is open
    // Created later, so above the main window: a box with the same caption.
    HWND lookalike = windows.Create(false, true);
    ASSERT_NE(mainWindow, nullptr);
    ASSERT_NE(lookalike, nullptr);

    HelperRun run = RunHelper(WindowsPath(KOVARA_SHELL_HELPER_EXE));
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);

    std::vector<std::string> got = Received(mainWindow);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], std::string("OpenAndExplorer", 16));  // the zero included
    EXPECT_TRUE(Received(lookalike).empty());
}

TEST(ShellHelper, WaitsForACopyStillStartingAndStartsNoOther) {
    HelperFolder folder;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "Kovara");
    ASSERT_NE(mutex, nullptr);
    WindowThread windows;
    HWND mainWindow = nullptr;
    // The "copy" shows its main window only after the helper has started.
    HelperRun run = RunHelper(folder.helper, [&] {
        // Nothing shows that the helper has reached its wait for the window:
        // it is given the time to, so that it meets a copy without one.
        Sleep(1500);
        mainWindow = windows.Create(true, true);
    });
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(Received(mainWindow).size(), 1u);
    // The helper has ended; a start it made would have marked itself by now
    // or within the time a start takes.
    EXPECT_FALSE(folder.ManagerStarted(2000));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST(ShellHelper, StartsKovaraFromItsFolderWhenNoneRuns) {
    HelperFolder folder;
    HelperRun run = RunHelper(folder.helper);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(folder.ManagerStarted(15000));
}

}  // namespace
