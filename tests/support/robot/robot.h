// Test robot: finds windows and message boxes, reads and drives their
// controls, and answers the boxes that an operation under test shows.
// Every wait has a timeout; nothing here waits without end.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace robot {

// Default time a wait gives a window to appear.
constexpr DWORD kWaitMs = 10000;

// What a message box showed.
struct Box {
    std::string caption;
    std::string text;          // static control 65535
    UINT icon = 0;             // MB_ICONWARNING, MB_ICONINFORMATION, MB_ICONQUESTION, MB_ICONERROR or 0
    std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, ... in the order the box shows them
    int answer = 0;            // the button the robot pressed
    bool expected = true;      // false: nobody had asked for a box
};

// Renders a box for failure messages: caption, text, icon and buttons.
std::string Describe(const Box &box);

// ---- Finding windows -----------------------------------------------------

// First visible top-level window of the class and caption (either may be
// NULL for "any") owned by the process (0 = any process). Returns NULL when
// none appears within timeoutMs.
HWND WaitForWindow(const char *className, const char *caption, DWORD timeoutMs = kWaitMs, DWORD processId = 0);

// First visible message box (class #32770 holding a static control 65535)
// with the caption (NULL = any) of the process (0 = any).
HWND WaitForBox(const char *caption, DWORD timeoutMs = kWaitMs, DWORD processId = 0);

// Waits until the window is gone; false on timeout.
bool WaitForClose(HWND window, DWORD timeoutMs = kWaitMs);

bool IsMessageBox(HWND window);

// ---- Waiting on a condition ----------------------------------------------

// Polls the condition until it holds or timeoutMs has passed. On timeout the
// result names what was awaited, so that a test writes
//   ASSERT_TRUE(robot::WaitUntil([&] { return ...; }, robot::kWaitMs, "the location field enabled"));
::testing::AssertionResult WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs,
                                     const std::string &what);

// Waits until the thread that owns the window reads its messages again (a
// sent WM_NULL is answered): what that thread was doing when this is called,
// such as the rest of a command handler after its modal window closed, has
// finished. Messages posted to it and not read yet are not waited for (a
// thread answers sent messages first). False on timeout.
bool WaitForIdle(HWND window, DWORD timeoutMs = kWaitMs);

// Repaints the window and its children and waits until none of them has a
// part left to paint, so that a screenshot shows the window as it is now.
bool WaitForPainted(HWND window, DWORD timeoutMs = kWaitMs);

// The same wait where a plain true or false is wanted.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs = kWaitMs);

// ---- Reading and driving -------------------------------------------------

Box ReadBox(HWND box);

// Window text of a window (by WM_GETTEXT, so edit controls of other threads
// and processes answer too). Empty when the window does not answer.
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int controlId);
bool SetControlText(HWND dialog, int controlId, const char *text);
// BST_CHECKED, BST_UNCHECKED, BST_INDETERMINATE, or -1 without such control.
int CheckState(HWND dialog, int controlId);
bool IsControlEnabled(HWND dialog, int controlId);
bool IsControlVisible(HWND dialog, int controlId);
// Posts WM_COMMAND/BN_CLICKED for the button, as a click on it does.
bool PressButton(HWND dialog, int buttonId);
// Ids of the visible push buttons of a dialog, in creation order.
std::vector<int> ButtonIds(HWND dialog);

// Asks the test session for a screenshot of the whole display, saved as
// NAME.png in the build folder's screenshots/ folder. Returns false when no
// session takes screenshots or it did not answer within timeoutMs.
bool Screenshot(const char *name, DWORD timeoutMs = 15000);

// ---- Answering boxes -----------------------------------------------------

// A thread that watches the top-level windows of one process (this one by
// default) while it lives. Each message box is recorded and answered with the
// next queued answer; a box nobody expected is closed (Cancel, else the
// default button) and fails the current test with its text. Dialogs with a
// registered caption are handed to their handler once per window; any other
// dialog of the watched process also fails the test and is cancelled.
class Answerer {
public:
    explicit Answerer(DWORD processId = 0);
    ~Answerer();  // stops the thread and reports unexpected boxes
    Answerer(const Answerer &) = delete;
    Answerer &operator=(const Answerer &) = delete;

    // The next box is answered with this button.
    void Answer(int button);
    // Dialogs (not message boxes) with this caption are given to the handler,
    // which runs on the robot thread.
    void OnDialog(const std::string &caption, std::function<void(HWND)> handler);
    // Every box seen so far, in order.
    std::vector<Box> Boxes();
    // Waits until `count` boxes have been seen; false on timeout.
    bool WaitForBoxes(size_t count, DWORD timeoutMs = kWaitMs);
    // Queued answers not used yet.
    size_t PendingAnswers();
    // Stops the thread and reports what went wrong (called by the destructor).
    void Finish();

private:
    void Run();
    void Visit(HWND window);

    DWORD process_;
    std::thread thread_;
    std::mutex lock_;
    bool stop_ = false;
    bool finished_ = false;
    std::vector<int> answers_;
    std::vector<std::pair<std::string, std::function<void(HWND)>>> handlers_;
    std::vector<Box> boxes_;
    std::vector<std::string> failures_;
    std::set<HWND> seen_;
};

// The texts of the boxes the answerer has seen, from box number `first` on.
std::vector<std::string> BoxTextsFrom(Answerer &answerer, size_t first = 0);

}  // namespace robot
