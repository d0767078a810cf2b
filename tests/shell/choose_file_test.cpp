// The file chooser driven through the system's open-file dialog: its two
// messages, the dialog opening again after each, the hook's changes and the
// filter going back to the default after use.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <mutex>
#include <string>
#include <vector>

#include "robot.h"
#include "shell/ui/choose_file.h"
#include "shell/ui/file_dialog_hook.h"

namespace {

const char kTitle[] = "Choose Key File";

// What the robot saw of each opening of the dialog.
struct Opening {
    std::string okText;
    std::string filter;
    RECT rect;
    bool hasBigIcon;
};

class ChooseFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "kovara-choose-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        wrong_ = MakeFile("wrong.txt");
        locked_ = MakeFile("locked.ukf");
        good_ = MakeFile("KEY.UKF");
    }
    void TearDown() override {
        for (const std::string &f : {wrong_, locked_, good_}) DeleteFileA(f.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string MakeFile(const char *name) {
        std::string path = folder_ + "\\" + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written;
        WriteFile(h, "x", 1, &written, nullptr);
        CloseHandle(h);
        return path;
    }

    // Registers a handler that types the given names one per opening (and
    // cancels once they are used up), recording each opening.
    void Drive(robot::Answerer &answerer, std::vector<std::string> names) {
        answerer.OnDialog(kTitle, [this, names](HWND dialog) {
            Opening o;
            o.okText = robot::ControlText(dialog, IDOK);
            o.filter = robot::ControlText(dialog, cmb1);
            GetWindowRect(dialog, &o.rect);
            o.hasBigIcon = SendMessageA(dialog, WM_GETICON, ICON_BIG, 0) != 0;
            size_t n;
            {
                std::lock_guard<std::mutex> hold(lock_);
                n = openings_.size();
                openings_.push_back(o);
            }
            if (n >= names.size()) {
                robot::PressButton(dialog, IDCANCEL);
                return;
            }
            int nameId = GetDlgItem(dialog, cmb13) ? cmb13 : edt1;
            robot::SetControlText(dialog, nameId, names[n].c_str());
            robot::PressButton(dialog, IDOK);
        });
    }

    std::string folder_, wrong_, locked_, good_;
    std::mutex lock_;
    std::vector<Opening> openings_;
};

TEST_F(ChooseFileTest, AsksAgainUntilTheFileIsReadableAndHasTheExtension) {
    // Held open without sharing: the file exists but cannot be read.
    HANDLE hold = CreateFileA(locked_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hold);
    robot::Answerer answerer;
    Drive(answerer, {wrong_, locked_, good_});
    answerer.Answer(IDOK);
    answerer.Answer(IDOK);
    SetChooseFileFilter("Key files (*.ukf)\0*.ukf\0All files\0*.*\0");
    char path[MAX_PATH] = "stale";
    int chosen = ChooseFile(nullptr, kTitle, 1, ".ukf", path);
    CloseHandle(hold);
    answerer.Finish();

    EXPECT_EQ(1, chosen);
    EXPECT_STREQ(good_.c_str(), path);
    ASSERT_EQ(3u, openings_.size());
    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("The selected file name must end with extension .ukf", boxes[0].text);
    EXPECT_EQ("The selected file either does not exist, or is not accessible.", boxes[1].text);
    for (const robot::Box &box : boxes) {
        EXPECT_EQ("Kovara", box.caption);
        EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), box.icon);
    }
    // The caller's filter holds for every opening of this one use.
    for (const Opening &o : openings_) EXPECT_EQ("Key files (*.ukf)", o.filter);
}

TEST_F(ChooseFileTest, FilterGoesBackToTheDefaultAfterUse) {
    robot::Answerer answerer;
    Drive(answerer, {});
    SetChooseFileFilter("Key files (*.ukf)\0*.ukf\0");
    char path[MAX_PATH];
    EXPECT_EQ(0, ChooseFile(nullptr, kTitle, 0, nullptr, path));
    EXPECT_EQ(0, ChooseFile(nullptr, kTitle, 0, nullptr, path));
    SetChooseFileFilter("Backups\0*.bak\0");
    EXPECT_EQ(0, ChooseFile(nullptr, kTitle, 0, nullptr, path));
    answerer.Finish();
    ASSERT_EQ(3u, openings_.size());
    EXPECT_EQ("Key files (*.ukf)", openings_[0].filter);
    EXPECT_EQ("All file types ", openings_[1].filter);
    EXPECT_EQ("Backups", openings_[2].filter);
    EXPECT_TRUE(answerer.Boxes().empty());
}

TEST_F(ChooseFileTest, CancelReturnsZeroAndAnyExtensionIsTakenWhenNoneIsRequired) {
    robot::Answerer answerer;
    Drive(answerer, {wrong_});
    char path[MAX_PATH];
    EXPECT_EQ(1, ChooseFile(nullptr, kTitle, 0, ".ukf", path));
    EXPECT_STREQ(wrong_.c_str(), path);
    EXPECT_EQ(0, ChooseFile(nullptr, kTitle, 1, ".ukf", path));
    EXPECT_STREQ("", path);
    answerer.Finish();
    EXPECT_TRUE(answerer.Boxes().empty());
}

TEST_F(ChooseFileTest, DialogIsCentredWithItsIconAndASelectedButton) {
    robot::Answerer answerer;
    Drive(answerer, {});
    char path[MAX_PATH];
    EXPECT_EQ(0, ChooseFile(nullptr, kTitle, 0, nullptr, path));
    answerer.Finish();
    ASSERT_EQ(1u, openings_.size());
    const Opening &o = openings_[0];
    EXPECT_EQ("Selected", o.okText);
    EXPECT_TRUE(o.hasBigIcon);
    HDC screen = GetDC(nullptr);
    int width = GetDeviceCaps(screen, HORZRES), height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ((width - (o.rect.right - o.rect.left)) / 2, o.rect.left);
    EXPECT_EQ((height - (o.rect.bottom - o.rect.top)) / 2, o.rect.top);
}

TEST(ChooseFileFilter, OverlongListIsCutAfterItsLastWholePair) {
    // 40 pairs of 40 characters do not fit: the chooser must still open with
    // a well-formed list (its first pair), not read past the buffer.
    std::string list;
    for (int i = 0; i < 40; ++i) {
        list += "Description number " + std::to_string(100 + i) + " of many files";
        list += '\0';
        list += "*.x" + std::to_string(i);
        list += '\0';
    }
    list += '\0';
    robot::Answerer answerer;
    std::string seen;
    answerer.OnDialog(kTitle, [&](HWND dialog) {
        seen = robot::ControlText(dialog, cmb1);
        robot::PressButton(dialog, IDCANCEL);
    });
    SetChooseFileFilter(list.data());
    char path[MAX_PATH];
    EXPECT_EQ(0, ChooseFile(nullptr, kTitle, 0, nullptr, path));
    answerer.Finish();
    EXPECT_EQ("Description number 100 of many files", seen);
}

}  // namespace

namespace {

TEST(SaveFileHook, SaveDialogIsCentredWithTheApplicationIconAndASelectedButton) {
    robot::Answerer answerer;
    std::string okText;
    RECT rect = {};
    bool hasIcon = false;
    answerer.OnDialog("Save Backup", [&](HWND dialog) {
        okText = robot::ControlText(dialog, IDOK);
        GetWindowRect(dialog, &rect);
        hasIcon = SendMessageA(dialog, WM_GETICON, ICON_BIG, 0) != 0;
        robot::PressButton(dialog, IDCANCEL);
    });
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = "All file types \0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = "Save Backup";
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
    ofn.lpfnHook = SaveFileHook;
    EXPECT_FALSE(GetSaveFileNameA(&ofn));
    answerer.Finish();
    EXPECT_EQ("Selected", okText);
    EXPECT_TRUE(hasIcon);
    HDC screen = GetDC(nullptr);
    int width = GetDeviceCaps(screen, HORZRES), height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ((width - (rect.right - rect.left)) / 2, rect.left);
    EXPECT_EQ((height - (rect.bottom - rect.top)) / 2, rect.top);
}

}  // namespace
