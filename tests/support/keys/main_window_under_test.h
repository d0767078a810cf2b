// The program's real main window (template 406 with its own dialog
// procedure) for the in-process log-in tests. It is created once per test
// process, on the log-in page, on a thread of its own that pumps messages as
// the program's message loop does: the operation under test runs on the test
// thread, so the robot can always read the window. It is never destroyed,
// because destroying the main window ends the program (here, the test).
#pragma once
#include <windows.h>

#include <string>

// Its caption in the tests, told apart from the "Kovara" boxes.
extern const char kMainWindowUnderTestCaption[];

class MainWindowUnderTest {
public:
    // Shows the window with empty fields and a reset progress bar.
    MainWindowUnderTest();
    // Leaves the window hidden for the next test.
    ~MainWindowUnderTest();

    HWND window() const { return window_; }
    void Type(const char *user, const char *password);
    int Progress() const;
    std::string Status() const;

private:
    HWND window_;
};
