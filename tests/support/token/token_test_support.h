// Helpers of the token tests under Wine: the RegisteredTokens key, a software
// token registered under a name, and boxes answered one at a time.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "robot.h"
#include "soft_token_fixture.h"

void ClearRegisteredTokens();
void RegisterRaw(const std::string &name, DWORD type, const void *data, DWORD size);
void RegisterToken(const std::string &name, const std::string &path);
std::string RegisteredValue(const std::string &name);  // "<none>" when absent

// A software token folder with one library "tok" registered as "Soft".
struct RegisteredSoftToken {
    SoftTokenFolder folder;
    std::string library = folder.Library("tok");
    RegisteredSoftToken(const std::string &config);
    void Configure(const std::string &config) { folder.Configure("tok", config); }
};

// Waits for the next box with the caption, reads it and presses button.
robot::Box AnswerBox(int button, const char *caption = "Kovara");

// Runs a modal dialog on a thread of its own, so that the test thread can
// drive it. Whatever the thread still shows when the runner ends (a test
// that failed half-way) is closed, so that no test waits without end.
class DialogRunner {
public:
    ~DialogRunner();
    // Starts run() and waits for its dialog with the caption; null on timeout.
    HWND Start(std::function<void()> run, const char *caption);
    // Waits for the dialog to close and the thread to end; false on timeout.
    bool Finish();
    // Closes what the thread still shows and waits for it to end.
    void Stop();

private:
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HWND dialog_ = nullptr;
};
