// The drive-letter dialog and the automatic letter choice.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "mount/open/drive_letter.h"
#include "resources/resource.h"
#include "robot.h"

namespace {

const char kCaption[] = "Kovara - Select Drive To Open Vault On";

void Check(HWND dialog, char letter) {
    SendMessageA(GetDlgItem(dialog, IDC_DRIVE_A + (letter - 'A')), BM_SETCHECK, BST_CHECKED, 0);
}

}  // namespace

TEST(FirstFreeVaultLetter, SkipsAToCAndUsedLetters) {
    EXPECT_EQ('D', FirstFreeVaultLetter(0));
    EXPECT_EQ('D', FirstFreeVaultLetter(0x7));  // A, B, C
    EXPECT_EQ('F', FirstFreeVaultLetter(0x1F));
    EXPECT_EQ('Z', FirstFreeVaultLetter(0x01FFFFFF));
    EXPECT_EQ(0, FirstFreeVaultLetter(0x03FFFFFF));
    EXPECT_EQ(0, FirstFreeVaultLetter(0x03FFFFF8)) << "A to C free do not count";
}

TEST(DriveLetterDialog, EnablesExactlyTheFreeLettersFromD) {
    ASSERT_TRUE(DefineDosDeviceA(DDD_RAW_TARGET_PATH, "H:", "\\Device\\Null"));
    DWORD used = GetLogicalDrives();
    std::string enabled, checked;
    robot::Answerer answerer;
    answerer.OnDialog(kCaption, [&](HWND dialog) {
        for (int i = 0; i < 26; ++i) {
            if (robot::IsControlEnabled(dialog, IDC_DRIVE_A + i)) enabled += static_cast<char>('A' + i);
            if (robot::CheckState(dialog, IDC_DRIVE_A + i) == BST_CHECKED) checked += static_cast<char>('A' + i);
        }
        robot::PressButton(dialog, IDCANCEL);
    });
    char letter = 0;
    EXPECT_EQ(0, PickDriveLetter(NULL, &letter));
    answerer.Finish();
    DefineDosDeviceA(DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, "H:", "\\Device\\Null");

    std::string expected;
    for (int i = 3; i < 26; ++i)
        if (!(used & (1u << i))) expected += static_cast<char>('A' + i);
    EXPECT_EQ(expected, enabled);
    EXPECT_EQ(std::string::npos, enabled.find('H'));
    EXPECT_EQ("", checked);
}

TEST(DriveLetterDialog, OkWithoutLetterAsksAndStaysThenTakesTheCheckedLetter) {
    std::atomic<int> visits{0};
    robot::Answerer answerer;
    answerer.OnDialog(kCaption, [&](HWND dialog) {
        ++visits;
        robot::PressButton(dialog, IDOK);
        HWND box = robot::WaitForBox("Kovara", 5000, GetCurrentProcessId());
        ASSERT_NE(nullptr, box);
        robot::Box seen = robot::ReadBox(box);
        EXPECT_EQ(
            "You must first select a drive letter before you click \"OK\".\n"
            "To cancel drive letter selection, click \"Cancel\".",
            seen.text);
        EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), seen.icon);
        robot::PressButton(box, IDOK);
        ASSERT_TRUE(robot::WaitForClose(box));
        EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays";
        Check(dialog, 'R');
        robot::PressButton(dialog, IDOK);
    });
    char letter = 0;
    EXPECT_EQ(1, PickDriveLetter(NULL, &letter));
    answerer.Finish();
    EXPECT_EQ('R', letter);
    EXPECT_EQ(1, visits.load());
}
