// Kovara.chm and QuickHelpKO.chm open in the system's HTML Help viewer, each
// in its own window under the title of its project, the way the vault
// manager opens them (shell "open" on the file). Topic pages are not drawn in
// the test prefix (no HTML engine), so the window is what is checked; the
// build itself refuses help with a dead link.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "robot.h"

namespace {

std::string HelpFile(const char *name) {
    std::string path = "Z:";
    for (const char *p = KOVARA_HELP_DIR; *p; ++p) path += (*p == '/') ? '\\' : *p;
    return path + "\\" + name;
}

DWORD ProcessOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

TEST(HelpFiles, TheViewerOpensEachFileInItsWindow) {
    struct Case {
        const char *chm, *caption;
    } cases[] = {{"Kovara.chm", "Kovara Help"}, {"QuickHelpKO.chm", "Kovara Quick Tutorial"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.chm);
        ASSERT_NE(GetFileAttributesA(HelpFile(c.chm).c_str()), INVALID_FILE_ATTRIBUTES);
        HINSTANCE result = ShellExecuteA(nullptr, "open", HelpFile(c.chm).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        ASSERT_GT(reinterpret_cast<INT_PTR>(result), 32);
        HWND viewer = robot::WaitForWindow(nullptr, c.caption, 30000);
        ASSERT_NE(viewer, nullptr) << "no viewer window \"" << c.caption << "\"";
        EXPECT_NE(ProcessOf(viewer), GetCurrentProcessId()) << "the viewer is a program of its own";
        robot::Screenshot((std::string("help_") + c.chm).c_str());
        PostMessageA(viewer, WM_CLOSE, 0, 0);
        EXPECT_TRUE(robot::WaitForClose(viewer, 30000));
    }
}

}  // namespace
