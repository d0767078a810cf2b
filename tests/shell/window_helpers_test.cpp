// Centring a window and enlarging a control's font.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "robot.h"
#include "shell/ui/bold_font.h"
#include "shell/ui/centre_window.h"
#include "shell/ui/explore_drive.h"

namespace {

constexpr int kLabelId = 301;

TEST(CentreOnScreen, MovesWithoutResizing) {
    HWND window = CreateWindowExA(0, "#32770", "Centre", WS_POPUP | WS_CAPTION | WS_VISIBLE, 3, 7, 301, 203, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    CentreOnScreen(window);
    RECT r;
    GetWindowRect(window, &r);
    HDC screen = GetDC(nullptr);
    int width = GetDeviceCaps(screen, HORZRES), height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(301, r.right - r.left);
    EXPECT_EQ(203, r.bottom - r.top);
    EXPECT_EQ((width - 301) / 2, r.left);
    EXPECT_EQ((height - 203) / 2, r.top);
    DestroyWindow(window);
}

LOGFONTA FontOf(HWND window) {
    LOGFONTA lf = {};
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (font) GetObjectA(font, sizeof lf, &lf);
    return lf;
}

// A dialog made from a template in memory, with the given font (or none),
// holding one static control.
struct Dialog {
    HWND window = nullptr, label = nullptr;
    explicit Dialog(const wchar_t *face = nullptr, WORD points = 0) {
        std::vector<WORD> t;
        auto align = [&] {
            if (t.size() % 2) t.push_back(0);
        };  // DWORD alignment
        auto dword = [&](DWORD v) {
            t.push_back(LOWORD(v));
            t.push_back(HIWORD(v));
        };
        auto text = [&](const wchar_t *s) {
            do t.push_back(*s);
            while (*s++);
        };
        dword(WS_POPUP | WS_CAPTION | (face ? DS_SETFONT : 0));
        dword(0);        // extended style
        t.push_back(1);  // one control
        t.push_back(0);
        t.push_back(0);
        t.push_back(200);
        t.push_back(60);
        t.push_back(0);  // no menu
        t.push_back(0);  // standard class
        text(L"Fonts");
        if (face) {
            t.push_back(points);
            text(face);
        }
        align();
        dword(WS_CHILD | WS_VISIBLE | SS_LEFT);
        dword(0);
        t.push_back(5);
        t.push_back(5);
        t.push_back(150);
        t.push_back(20);
        t.push_back(kLabelId);
        t.push_back(0xFFFF);
        t.push_back(0x0082);  // static
        text(L"  (F:)");
        t.push_back(0);  // no creation data
        window = CreateDialogIndirectParamA(
            GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(t.data()), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        label = GetDlgItem(window, kLabelId);
    }
    ~Dialog() { DestroyWindow(window); }
};

TEST(EnlargeBoldFont, BoldCopyOfTheDialogFontAQuarterTaller) {
    for (WORD points : {8, 9, 10, 14}) {
        Dialog d(L"Tahoma", points);
        ASSERT_NE(nullptr, d.label);
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(d.window, WM_GETFONT, 0, 0));
        ASSERT_NE(nullptr, font);
        LOGFONTA base = FontOf(d.window);
        EnlargeBoldFont(d.window, kLabelId);
        LOGFONTA got = FontOf(d.label);
        EXPECT_EQ(700, got.lfWeight) << points;
        EXPECT_EQ(base.lfHeight + base.lfHeight / 4, got.lfHeight) << points;
        EXPECT_STREQ(base.lfFaceName, got.lfFaceName);
        // The dialog's own font is left as it was.
        EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageA(d.window, WM_GETFONT, 0, 0)));
        EXPECT_EQ(base.lfWeight, FontOf(d.window).lfWeight);
        EXPECT_NE(700, base.lfWeight);
    }
}

TEST(EnlargeBoldFont, DialogWithoutFontChangesNothing) {
    Dialog d;
    ASSERT_NE(nullptr, d.label);
    ASSERT_EQ(0, SendMessageA(d.window, WM_GETFONT, 0, 0));
    HFONT before = reinterpret_cast<HFONT>(SendMessageA(d.label, WM_GETFONT, 0, 0));
    EnlargeBoldFont(d.window, kLabelId);
    EXPECT_EQ(before, reinterpret_cast<HFONT>(SendMessageA(d.label, WM_GETFONT, 0, 0)));
}

}  // namespace

namespace {

BOOL CALLBACK CollectVisible(HWND w, LPARAM p) {
    if (IsWindowVisible(w)) reinterpret_cast<std::vector<HWND> *>(p)->push_back(w);
    return TRUE;
}

// The first new window of another process whose title names C:, waited for.
HWND ExplorerOnC(const std::vector<HWND> &before) {
    HWND found = nullptr;
    robot::WaitUntil(
        [&] {
            std::vector<HWND> now;
            EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&now));
            for (HWND w : now) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == GetCurrentProcessId()) continue;
                if (std::find(before.begin(), before.end(), w) != before.end()) continue;
                // Windows other programs open meanwhile are not the one asked for.
                char caption[256] = "";
                GetWindowTextA(w, caption, sizeof caption);
                if (strstr(caption, "C:")) found = w;
            }
            return found != nullptr;
        },
        15000, "an Explorer window on C:");
    return found;
}

TEST(ExploreDrive, OpensAnExplorerWindowOnTheDriveRoot) {
    std::vector<HWND> before;
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&before));
    ExploreDrive(2);
    HWND found = ExplorerOnC(before);
    ASSERT_NE(nullptr, found) << "no Explorer window on C: appeared";
    PostMessageA(found, WM_CLOSE, 0, 0);
    EXPECT_TRUE(robot::WaitForClose(found));
}

TEST(ExploreDrive, IndexOutsideTheAlphabetDoesNothing) {
    std::vector<HWND> before, after;
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&before));
    ExploreDrive(26);
    ExploreDrive(-1);
    // No sign tells of a window that is not coming: a valid drive opened after
    // them is waited for instead, as a window they started would come first.
    ExploreDrive(2);
    HWND sentinel = ExplorerOnC(before);
    ASSERT_NE(nullptr, sentinel) << "no Explorer window on C: appeared";
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&after));
    PostMessageA(sentinel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(robot::WaitForClose(sentinel));
    // Starting Explorer brings windows of its own; none may show the drives
    // the two indexes would name.
    for (HWND w : after) {
        if (std::find(before.begin(), before.end(), w) != before.end()) continue;
        std::string caption = robot::WindowText(w);
        EXPECT_EQ(std::string::npos, caption.find("[:")) << "a window appeared: " << caption;
        EXPECT_EQ(std::string::npos, caption.find("@:")) << "a window appeared: " << caption;
    }
}

}  // namespace
