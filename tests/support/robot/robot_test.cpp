// Tests of the test robot itself: boxes in this and another process,
// dialog controls, unexpected windows and screenshots.
#include "robot.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>

namespace {

constexpr int kEditId = 101;
constexpr int kCheckedId = 102;
constexpr int kUncheckedId = 103;
constexpr int kDisabledId = 104;

// A small dialog window of the class the system uses for dialogs, with an
// edit, two check boxes, a disabled button, OK and Cancel.
HWND MakeDialog(const char *caption) {
    HWND dialog = CreateWindowExA(0, "#32770", caption, WS_POPUP | WS_CAPTION | WS_SYSMENU, 100, 100, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
    auto child = [&](const char *cls, const char *text, DWORD style, int id, int y) {
        return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, y, 150, 20, dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    child("Edit", "initial", WS_BORDER | ES_AUTOHSCROLL, kEditId, 10);
    HWND checked = child("Button", "Checked", BS_AUTOCHECKBOX, kCheckedId, 35);
    child("Button", "Unchecked", BS_AUTOCHECKBOX, kUncheckedId, 60);
    EnableWindow(child("Button", "Disabled", BS_PUSHBUTTON, kDisabledId, 85), FALSE);
    child("Button", "OK", BS_DEFPUSHBUTTON, IDOK, 110);
    child("Button", "Cancel", BS_PUSHBUTTON, IDCANCEL, 135);
    SendMessageA(checked, BM_SETCHECK, BST_CHECKED, 0);
    ShowWindow(dialog, SW_SHOW);
    return dialog;
}

// Runs the dialog on the calling thread until a button command arrives;
// returns the button id and the edit's text at that moment.
int RunDialog(HWND dialog, std::string *editText, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    for (DWORD waited = 0; waited < timeoutMs; waited = GetTickCount() - start) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == dialog && msg.message == WM_COMMAND && LOWORD(msg.wParam) != kEditId) {
                char text[256] = "";
                GetDlgItemTextA(dialog, kEditId, text, sizeof text);
                if (editText) *editText = text;
                DestroyWindow(dialog);
                return LOWORD(msg.wParam);
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - waited, QS_ALLINPUT);
    }
    DestroyWindow(dialog);
    return 0;
}

TEST(Robot, AnswersBoxesAndRecordsWhatTheyShowed) {
    robot::Answerer answerer;
    answerer.Answer(IDNO);
    answerer.Answer(IDOK);
    answerer.Answer(IDCANCEL);
    answerer.Answer(IDOK);
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "Delete it?", "Kovara", MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Line one\nLine two", "Kovara", MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL));
    EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, "Go on?", "Other caption", MB_OKCANCEL | MB_ICONINFORMATION));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Plain", "Kovara", MB_OK));
    answerer.Finish();

    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(4u, boxes.size());
    EXPECT_EQ("Kovara", boxes[0].caption);
    EXPECT_EQ("Delete it?", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONQUESTION), boxes[0].icon);
    EXPECT_EQ((std::vector<int>{IDYES, IDNO}), boxes[0].buttons);
    EXPECT_EQ("Line one\nLine two", boxes[1].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), boxes[1].icon);
    EXPECT_EQ((std::vector<int>{IDOK}), boxes[1].buttons);
    EXPECT_EQ("Other caption", boxes[2].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), boxes[2].icon);
    EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), boxes[2].buttons);
    EXPECT_EQ(0u, boxes[3].icon);
    for (const robot::Box &box : boxes) EXPECT_TRUE(box.expected);
}

TEST(Robot, ErrorIconIsTold) {
    robot::Answerer answerer;
    answerer.Answer(IDRETRY);
    EXPECT_EQ(IDRETRY, MessageBoxA(nullptr, "Failed", "Kovara", MB_RETRYCANCEL | MB_ICONERROR));
    answerer.Finish();
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), answerer.Boxes()[0].icon);
    EXPECT_EQ((std::vector<int>{IDRETRY, IDCANCEL}), answerer.Boxes()[0].buttons);
}

TEST(Robot, UnexpectedBoxFailsTheTestWithItsText) {
    int result = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            robot::Answerer answerer;
            result = MessageBoxA(nullptr, "Nobody asked for me", "Kovara", MB_YESNO | MB_ICONWARNING);
        },
        "Nobody asked for me");
    // Closed by the least harmful button.
    EXPECT_EQ(IDNO, result);
    // Within a test session the display is kept for a person to look at.
    if (const char *folder = std::getenv("KOVARA_SCREENSHOTS")) {
        std::string picture =
            std::string("Z:") + folder + "/unexpected-Robot.UnexpectedBoxFailsTheTestWithItsText-1.png";
        for (char &c : picture) c = c == '/' ? '\\' : c;
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(picture.c_str())) << picture;
    }
}

TEST(Robot, AnswerThatWasNeverUsedFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            robot::Answerer answerer;
            answerer.Answer(IDOK);
        },
        "never appeared");
}

TEST(Robot, UnexpectedDialogFailsTheTestAndIsCancelled) {
    int button = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            robot::Answerer answerer;
            button = RunDialog(MakeDialog("Stray Dialog"), nullptr);
        },
        "Stray Dialog");
    EXPECT_EQ(IDCANCEL, button);
}

TEST(Robot, DialogHandlerFillsAndConfirmsADialog) {
    robot::Answerer answerer;
    std::atomic<int> calls{0};
    answerer.OnDialog("Fill Me", [&](HWND dialog) {
        ++calls;
        robot::SetControlText(dialog, kEditId, "typed by the robot");
        robot::PressButton(dialog, IDOK);
    });
    std::string text;
    EXPECT_EQ(IDOK, RunDialog(MakeDialog("Fill Me"), &text));
    EXPECT_EQ("typed by the robot", text);
    answerer.Finish();
    EXPECT_EQ(1, calls.load());
    EXPECT_TRUE(answerer.Boxes().empty());
}

TEST(Robot, ReadsAndDrivesControlsOfAnotherThread) {
    std::atomic<int> pressed{0};
    std::string finalText;
    std::thread ui([&] {
        HWND dialog = MakeDialog("Robot Controls");
        pressed = RunDialog(dialog, &finalText);
    });
    HWND dialog = robot::WaitForWindow("#32770", "Robot Controls");
    ASSERT_NE(nullptr, dialog);
    EXPECT_FALSE(robot::IsMessageBox(dialog));
    EXPECT_EQ("initial", robot::ControlText(dialog, kEditId));
    EXPECT_TRUE(robot::SetControlText(dialog, kEditId, "new text"));
    EXPECT_EQ("new text", robot::ControlText(dialog, kEditId));
    EXPECT_EQ(BST_CHECKED, robot::CheckState(dialog, kCheckedId));
    EXPECT_EQ(BST_UNCHECKED, robot::CheckState(dialog, kUncheckedId));
    EXPECT_EQ(-1, robot::CheckState(dialog, 999));
    EXPECT_TRUE(robot::IsControlEnabled(dialog, kEditId));
    EXPECT_FALSE(robot::IsControlEnabled(dialog, kDisabledId));
    EXPECT_TRUE(robot::IsControlVisible(dialog, kEditId));
    EXPECT_FALSE(robot::IsControlVisible(dialog, 999));
    EXPECT_EQ((std::vector<int>{kDisabledId, IDOK, IDCANCEL}), robot::ButtonIds(dialog));
    EXPECT_TRUE(robot::PressButton(dialog, IDOK));
    EXPECT_TRUE(robot::WaitForClose(dialog));
    ui.join();
    EXPECT_EQ(IDOK, pressed.load());
    EXPECT_EQ("new text", finalText);
}

TEST(Robot, WaitsEndWhenNothingAppears) {
    EXPECT_EQ(nullptr, robot::WaitForWindow(nullptr, "No Such Window", 200));
    EXPECT_EQ(nullptr, robot::WaitForBox("No Such Box", 200));
    // A visible window that is not a message box is not taken for one.
    HWND dialog = MakeDialog("Not A Box");
    EXPECT_EQ(nullptr, robot::WaitForBox("Not A Box", 200));
    EXPECT_EQ(dialog, robot::WaitForWindow("#32770", "Not A Box", 200));
    EXPECT_FALSE(robot::WaitForClose(dialog, 100));
    DestroyWindow(dialog);
    EXPECT_TRUE(robot::WaitForClose(dialog, 100));
}

// Started as a child process by the next test: shows one box and exits with
// the answer.
TEST(RobotChild, DISABLED_ShowsABox) {
    const char *icon = std::getenv("KOVARA_ROBOT_CHILD_ICON");
    std::exit(MessageBoxA(nullptr, "Shown by another process", "Robot Child",
                          MB_YESNO | (icon ? std::atoi(icon) : MB_ICONQUESTION)));
}

TEST(Robot, DrivesABoxOfAnotherProcess) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --gtest_also_run_disabled_tests --gtest_filter=RobotChild.*";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    // A box of this process with the same caption must not be taken for it.
    HWND box = robot::WaitForBox("Robot Child", 20000, pi.dwProcessId);
    EXPECT_NE(nullptr, box);
    if (box) {
        robot::Box seen = robot::ReadBox(box);
        EXPECT_EQ("Shown by another process", seen.text);
        EXPECT_EQ((std::vector<int>{IDYES, IDNO}), seen.buttons);
        EXPECT_EQ(static_cast<UINT>(MB_ICONQUESTION), seen.icon);
        EXPECT_TRUE(robot::PressButton(box, IDYES));
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 20000));
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(static_cast<DWORD>(IDYES), code);
    if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// Another process's box, answered by an answerer watching that process.
robot::Box BoxOfChild(UINT icon, int answer, DWORD *exitCode) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --gtest_also_run_disabled_tests --gtest_filter=RobotChild.*";
    SetEnvironmentVariableA("KOVARA_ROBOT_CHILD_ICON", std::to_string(icon).c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    BOOL started =
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("KOVARA_ROBOT_CHILD_ICON", nullptr);
    EXPECT_TRUE(started);
    if (!started) return robot::Box();
    robot::Answerer answerer(pi.dwProcessId);
    answerer.Answer(answer);
    ResumeThread(pi.hThread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 20000));
    GetExitCodeProcess(pi.hProcess, exitCode);
    if (*exitCode == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    answerer.Finish();
    std::vector<robot::Box> boxes = answerer.Boxes();
    EXPECT_EQ(1u, boxes.size());
    return boxes.empty() ? robot::Box() : boxes[0];
}

TEST(Robot, AnswererWatchesAnotherProcessAndTellsItsIcons) {
    for (UINT icon : std::vector<UINT>{MB_ICONWARNING, MB_ICONINFORMATION, MB_ICONQUESTION, MB_ICONERROR, 0}) {
        DWORD code = 0;
        robot::Box box = BoxOfChild(icon, icon == MB_ICONQUESTION ? IDNO : IDYES, &code);
        EXPECT_EQ(static_cast<DWORD>(icon == MB_ICONQUESTION ? IDNO : IDYES), code);
        EXPECT_EQ("Robot Child", box.caption);
        EXPECT_EQ("Shown by another process", box.text);
        EXPECT_EQ(icon, box.icon) << robot::Describe(box);
    }
}

TEST(Robot, ScreenshotOfTheDisplay) {
    if (!std::getenv("KOVARA_SCREENSHOTS")) GTEST_SKIP() << "no test session takes screenshots";
    robot::Answerer answerer;
    std::thread shooter([] {
        HWND box = robot::WaitForBox("Screenshot", 10000, GetCurrentProcessId());
        EXPECT_NE(nullptr, box);
        EXPECT_TRUE(robot::Screenshot("robot-box"));
    });
    // The answer waits until the picture is taken.
    answerer.OnDialog("Screenshot", [&](HWND box) {
        shooter.join();
        robot::PressButton(box, IDOK);
    });
    MessageBoxA(nullptr, "A box for the picture", "Screenshot", MB_OK | MB_ICONINFORMATION);
    answerer.Finish();
}

}  // namespace
