// One run of the real Kovara.exe under Wine, for the end-to-end tests: a
// program folder laid out as installed (Kovara.exe, Key, Vault and PRF), the
// program started with the volume shim injected, and the steps a person
// takes at start-up. The token is the prefix's software token (EToken, PIN
// 1234, registered as default by the token prepare hook).
#pragma once
#include <windows.h>

#include <string>

#include "key_fixture.h"

extern const char kTokenPin[];  // "1234"

class ManagerRun {
public:
    ManagerRun();  // a scratch program folder with a copy of the build's Kovara.exe
    // An installed program folder, used as it is.
    explicit ManagerRun(const std::string &programFolder);
    ~ManagerRun();  // ends a program still running and closes Explorer windows

    const std::string &folder() const { return programFolder_; }
    std::string File(const std::string &name) const { return programFolder_ + "\\" + name; }

    // Starts Kovara.exe from the program folder; false when it could not start.
    bool Start();
    DWORD pid() const { return process_.dwProcessId; }
    // Exit code, or STILL_ACTIVE when it has not ended within timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs = 30000);

    // Answers "Kovara - Token Authorisation" with the default token and its
    // PIN; false when the dialog did not come.
    bool AuthoriseToken();
    // The main window ("Kovara"), visible; NULL on timeout.
    HWND WaitForMainWindow();
    // A dialog of the program by caption; NULL on timeout.
    HWND WaitForDialog(const char *caption, DWORD timeoutMs = 20000);
    // Closes the Explorer window (another process) whose title holds
    // `drive`, e.g. "(D:)", and waits until it is gone; false when no such
    // window came or it did not close.
    bool CloseExplorerOn(const std::string &drive);

private:
    ScratchFolder scratch_;
    std::string programFolder_;
    PROCESS_INFORMATION process_ = {};
};

// A user with a vault registered in DefVaults, its vault information file in
// the program folder's Key folder and its record on the prefix's token; all
// of it removed again at the end.
struct RegisteredUser {
    TestUser user;
    explicit RegisteredUser(const ManagerRun &run);
    ~RegisteredUser();
};

// Sets or removes the Windows version Wine reports to Kovara.exe
// ("win2k", "nt40", ...; NULL removes it).
void SetWindowsVersionForKovara(const char *version);

// Posts a message to a window of another process and waits for its answer on
// a thread of its own, so that the boxes it opens can be answered meanwhile.
class SentMessage {
public:
    SentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    ~SentMessage();
    // True when the window answered within timeoutMs; the answer in *result.
    bool Wait(LRESULT *result, DWORD timeoutMs = 30000);

private:
    static DWORD WINAPI Run(LPVOID self);
    HWND window_;
    UINT message_;
    WPARAM wParam_;
    LPARAM lParam_;
    LRESULT result_ = 0;
    BOOL answered_ = FALSE;
    HANDLE thread_ = NULL;
};

// The text of the registry value OpenVault, or "<no value>".
std::string OpenVaultValue();
