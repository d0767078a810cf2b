// The system error box: exact texts with and without a system text.
#include <gtest/gtest.h>

#include <string>

#include "robot.h"
#include "shell/ui/error_box.h"

namespace {

std::string SystemText(DWORD error) {
    char *text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string s = text ? text : "";
    if (text) LocalFree(text);
    return s;
}

// An error code of the application range: the system has no text for it.
constexpr DWORD kErrorWithoutText = 0xE0001234;

TEST(SystemErrorBox, AppendsTheSystemTextOfTheLastError) {
    std::string system = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(system.empty());
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    SetLastError(ERROR_FILE_NOT_FOUND);
    SystemErrorBox(nullptr, "Unable to open the vault file.");
    answerer.Finish();
    std::vector<robot::Box> boxes = answerer.Boxes();
    ASSERT_EQ(1u, boxes.size());
    const robot::Box &box = boxes[0];
    EXPECT_EQ("Kovara", box.caption);
    EXPECT_EQ("Unable to open the vault file.\n\n\nSystem Reported Error:\n" + system, box.text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), box.icon);
    EXPECT_EQ((std::vector<int>{IDOK}), box.buttons);
}

TEST(SystemErrorBox, ShowsTheTextAloneWhenTheSystemHasNone) {
    ASSERT_TRUE(SystemText(kErrorWithoutText).empty());
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    SetLastError(kErrorWithoutText);
    SystemErrorBox(nullptr, "Token could not be read.");
    answerer.Finish();
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ("Token could not be read.", answerer.Boxes()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), answerer.Boxes()[0].icon);
}

TEST(SystemErrorBox, ShowsTheTextAloneWhenNoErrorIsRecorded) {
    // The system's text for 0 is a success message: never a failure's tail.
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    SetLastError(ERROR_SUCCESS);
    SystemErrorBox(nullptr, "The vault device is either in use or is not accessible.");
    answerer.Finish();
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ("The vault device is either in use or is not accessible.", answerer.Boxes()[0].text);
}

TEST(LastErrorBox, HoldsOnlyTheSystemText) {
    std::string system = SystemText(ERROR_ACCESS_DENIED);
    robot::Answerer answerer;
    answerer.Answer(IDOK);
    answerer.Answer(IDOK);
    SetLastError(ERROR_ACCESS_DENIED);
    LastErrorBox(nullptr);
    SetLastError(kErrorWithoutText);
    LastErrorBox(nullptr);
    answerer.Finish();
    ASSERT_EQ(2u, answerer.Boxes().size());
    EXPECT_EQ("Kovara", answerer.Boxes()[0].caption);
    EXPECT_EQ(system, answerer.Boxes()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), answerer.Boxes()[0].icon);
    EXPECT_EQ("", answerer.Boxes()[1].text);
}

}  // namespace
