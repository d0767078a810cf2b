// Hyperlinks: colours before and after a click (read from the painted
// control) and what a click opens.
#include <gtest/gtest.h>

#include <string>

#include "robot.h"
#include "shell/ui/hyperlink.h"

namespace {

constexpr int kLinkId = 201;
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kPurple = RGB(128, 0, 128);
constexpr COLORREF kGreen = RGB(0, 128, 0);

std::string Here() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Where the link's text lands in its control, read back from the painted
// pixels of the link colour.
struct Ink {
    int left = -1, right = -1, top = -1, bottom = -1;  // inclusive bounds; -1: none
    int widestRow = 0;                                 // longest run of ink in one row
};

Ink PaintedInk(HWND control, COLORREF colour) {
    InvalidateRect(control, nullptr, FALSE);
    UpdateWindow(control);
    Pump();
    RECT r;
    GetClientRect(control, &r);
    HDC dc = GetDC(control);
    Ink ink;
    for (int y = r.top; y < r.bottom; ++y) {
        int run = 0;
        for (int x = r.left; x < r.right; ++x) {
            if (GetPixel(dc, x, y) != colour) {
                run = 0;
                continue;
            }
            if (ink.left < 0 || x < ink.left) ink.left = x;
            if (x > ink.right) ink.right = x;
            if (ink.top < 0) ink.top = y;
            ink.bottom = y;
            if (++run > ink.widestRow) ink.widestRow = run;
        }
    }
    ReleaseDC(control, dc);
    return ink;
}

class HyperlinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_ = CreateWindowExA(0, "#32770", "Links", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50, 400, 120, nullptr,
                                  nullptr, nullptr, nullptr);
        link_ = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 360, 30, dialog_,
                                reinterpret_cast<HMENU>(kLinkId), nullptr, nullptr);
        // Each case opens its own copy of the target program, which marks
        // itself as opened.
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        target_ = std::string(temp) + "kovara-link-" + std::to_string(GetCurrentProcessId()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".exe";
        CopyFileA((Here() + "\\hyperlink_target.exe").c_str(), target_.c_str(), FALSE);
        DeleteFileA(Marker().c_str());
    }
    void TearDown() override {
        if (IsWindow(dialog_)) DestroyWindow(dialog_);
        WaitForMarker(0);
        DeleteFileA(Marker().c_str());
        DeleteFileA(target_.c_str());
    }
    std::string Marker() const { return target_ + ".opened"; }
    bool WaitForMarker(DWORD timeoutMs) {
        return static_cast<bool>(robot::WaitUntil(
            [this] { return GetFileAttributesA(Marker().c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs,
            "the target marks itself opened"));
    }
    void Click() {
        SendMessageA(link_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageA(link_, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        Pump();
    }
    // Whether any pixel of the painted control has exactly this colour.
    bool Shows(COLORREF colour) { return PaintedInk(link_, colour).left >= 0; }

    HWND dialog_ = nullptr, link_ = nullptr;
    std::string target_;
};

TEST_F(HyperlinkTest, DefaultBlueTurnsPurpleAtTheFirstClickAndStays) {
    SetWindowTextA(link_, "www.example.invalid");
    EXPECT_EQ(1, MakeHyperlink(dialog_, kLinkId, target_.c_str(), static_cast<COLORREF>(-1)));
    EXPECT_TRUE(Shows(kBlue));
    EXPECT_FALSE(Shows(kPurple));
    Click();
    EXPECT_TRUE(Shows(kPurple));
    EXPECT_FALSE(Shows(kBlue));
    EXPECT_TRUE(WaitForMarker(15000)) << "the target was not opened";
    DeleteFileA(Marker().c_str());
    Click();
    EXPECT_TRUE(Shows(kPurple));
    EXPECT_TRUE(WaitForMarker(15000)) << "the second click did not open the target";
}

TEST_F(HyperlinkTest, GivenColourIsUsedUntilTheClick) {
    SetWindowTextA(link_, "Register your copy");
    MakeHyperlink(dialog_, kLinkId, target_.c_str(), kGreen);
    EXPECT_TRUE(Shows(kGreen));
    EXPECT_FALSE(Shows(kBlue));
    Click();
    EXPECT_TRUE(Shows(kPurple));
    EXPECT_FALSE(Shows(kGreen));
}

TEST_F(HyperlinkTest, WithoutTargetTheControlsOwnTextIsOpened) {
    MakeHyperlink(dialog_, kLinkId, nullptr, static_cast<COLORREF>(-1));
    // Text set after the control became a link is what opens.
    SetWindowTextA(link_, target_.c_str());
    char text[MAX_PATH] = "";
    GetWindowTextA(link_, text, MAX_PATH);
    EXPECT_EQ(target_, text);
    Click();
    EXPECT_TRUE(WaitForMarker(15000)) << "the control's text was not opened";
}

TEST_F(HyperlinkTest, ButtonUpWithoutPressOpensNothing) {
    SetWindowTextA(link_, "link");
    MakeHyperlink(dialog_, kLinkId, target_.c_str(), static_cast<COLORREF>(-1));
    SendMessageA(link_, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Pump();
    EXPECT_TRUE(Shows(kBlue));
    // Nothing marks a program that was not started: the target is given the
    // time a started one needs to show up.
    EXPECT_FALSE(WaitForMarker(500));
}

TEST_F(HyperlinkTest, ControlAnswersHitTestsAndSurvivesBeingMadeALinkTwice) {
    SetWindowTextA(link_, "link");
    MakeHyperlink(dialog_, kLinkId, target_.c_str(), static_cast<COLORREF>(-1));
    MakeHyperlink(dialog_, kLinkId, target_.c_str(), kGreen);
    EXPECT_TRUE(GetWindowLongA(link_, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(HTCLIENT, SendMessageA(link_, WM_NCHITTEST, 0, 0));
    EXPECT_TRUE(Shows(kGreen));
    Click();
    EXPECT_TRUE(Shows(kPurple));
    DestroyWindow(dialog_);
    EXPECT_FALSE(IsWindow(link_));
}

}  // namespace

namespace {

// One link of the given static styles in a 300 x 60 control.
HWND MakeStyledLink(HWND dialog, int id, DWORD styles) {
    CreateWindowExA(0, "Static", "Aligned link", WS_CHILD | WS_VISIBLE | styles, 10, 10, 300, 60, dialog,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    MakeHyperlink(dialog, id, "", static_cast<COLORREF>(-1));
    return GetDlgItem(dialog, id);
}

TEST(HyperlinkPaint, TextFollowsTheStaticAlignmentStylesAndIsUnderlined) {
    HWND dialog = CreateWindowExA(0, "#32770", "Aligned", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50, 340, 120, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, dialog);
    const int width = 300, height = 60, slack = 3;
    struct Case {
        DWORD styles;
        const char *what;
    } cases[] = {{SS_LEFT, "left"},
                 {SS_CENTER, "centre"},
                 {SS_RIGHT, "right"},
                 {SS_LEFT | SS_CENTERIMAGE, "vertically centred"}};
    int id = 400;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        HWND link = MakeStyledLink(dialog, id++, c.styles);
        ASSERT_NE(nullptr, link);
        Ink ink = PaintedInk(link, RGB(0, 0, 255));
        ASSERT_GE(ink.left, 0) << "nothing painted in blue";
        int leftMargin = ink.left, rightMargin = width - 1 - ink.right;
        int topMargin = ink.top, bottomMargin = height - 1 - ink.bottom;
        switch (c.styles & SS_TYPEMASK) {
            case SS_CENTER:
                EXPECT_LE(abs(leftMargin - rightMargin), slack);
                break;
            case SS_RIGHT:
                EXPECT_LE(rightMargin, slack);
                EXPECT_GT(leftMargin, width / 2);
                break;
            default:
                EXPECT_LE(leftMargin, slack);
                EXPECT_GT(rightMargin, width / 2);
                break;
        }
        if (c.styles & SS_CENTERIMAGE)
            EXPECT_LE(abs(topMargin - bottomMargin), slack + 2);
        else
            EXPECT_LE(topMargin, slack);
        // The underline is one unbroken row under the whole text.
        EXPECT_GE(ink.widestRow, (ink.right - ink.left + 1) * 9 / 10);
    }
    DestroyWindow(dialog);
}

}  // namespace
