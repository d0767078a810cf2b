// The product's installation life cycle in a fresh prefix, from the
// distribution folder: installer refusals, an install without its desktop
// shortcut and an uninstall with an empty log, then (after a restart) a full
// install over a present device, (after another restart) the driver and the
// installed program without a token, then (installed_manager_test.cpp, with
// the software token) a user made in the installed program, and last the
// uninstaller's refusals and the full uninstall with its self-delete.
// ./flow runs the suites in that order, restarting Wine before the second
// and the third.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "flow_support.h"
#include "resources/setup_kovara/setup_kovara_ids.h"
#include "resources/uninstall_kovara/uninstall_kovara_ids.h"
#include "robot.h"
#include "uninstaller/self_delete.h"

namespace {

const char kProgramFolder[] = "C:\\Program Files\\Kovara";
const char kMissingFiles[] =
    "Missing files.\n\n\nThe installer file may be corrupt.\n\nInstallation aborted.\nDownload a fresh installation "
    "file.";
const char kCongratulations[] =
    "Congratulations!\nKovara installation completed successfully.\n\nWould you like to run the program now?";
const char *const kShipped[] = {"Kovara.exe",   "uninstall_kovara.exe", "lanyard.exe",       "scutella.dll",
                                "kovdevxp.sys", "kovdev.inf",           "ShellHelperKO.exe", "udf.ico",
                                "scuticon.ico", "Kovara.chm",           "QuickHelpKO.chm"};

std::string InProgram(const char *name) { return std::string(kProgramFolder) + "\\" + name; }
std::string Group() { return flow::SpecialFolder(CSIDL_PROGRAMS) + "\\Kovara"; }
std::string Desktop() { return flow::SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY); }
std::string StartMenu() { return flow::SpecialFolder(CSIDL_COMMON_STARTMENU); }

// A copy of the distribution on C:, so that the installer's folder is a
// Windows one.
std::string DistributionCopy(const char *name, const std::vector<std::string> &leaveOut = {}) {
    std::string dist = flow::DistributionFolder();
    std::string copy = std::string("C:\\") + name;
    flow::RemoveTree(copy);
    EXPECT_TRUE(flow::CopyFolder(dist, copy, leaveOut)) << dist;
    return copy;
}

// Runs a program that is to end with boxes only, answering them; returns them.
std::vector<robot::Box> RunToEnd(const std::string &exe, const std::string &folder, const std::vector<int> &answers) {
    flow::Process process = flow::StartSuspended(exe, folder);
    EXPECT_TRUE(process.started) << exe;
    robot::Answerer answerer(process.info.dwProcessId);
    for (int answer : answers) answerer.Answer(answer);
    flow::Resume(process);
    if (!answers.empty()) EXPECT_TRUE(answerer.WaitForBoxes(answers.size(), 30000));
    EXPECT_TRUE(flow::WaitForExit(process)) << exe;
    flow::Close(process);
    answerer.Finish();
    return answerer.Boxes();
}

// The top-level windows a process shows, by class and title: what a missing
// window's failure reports, so that a run that hangs says where.
struct WindowsFound {
    DWORD processId;
    std::string text;
};

BOOL CALLBACK AddWindowOf(HWND window, LPARAM context) {
    WindowsFound *found = reinterpret_cast<WindowsFound *>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != found->processId) return TRUE;
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    found->text += std::string(" [") + className + " \"" + robot::WindowText(window) + "\"" +
                   (IsWindowVisible(window) ? "" : " hidden") + "]";
    return TRUE;
}

std::string WindowsOf(DWORD processId) {
    WindowsFound found = {processId, ""};
    EnumWindows(AddWindowOf, reinterpret_cast<LPARAM>(&found));
    return found.text.empty() ? " no windows" : found.text;
}

// Runs the installer from `folder`, presses Install and waits for its end
// (or, when `staysOpen`, for the boxes and then Cancel). Returns the boxes.
std::vector<robot::Box> RunInstaller(const std::string &folder, const std::vector<int> &answers, bool staysOpen) {
    flow::Process setup = flow::StartSuspended(folder + "\\setup_kovara.exe", folder);
    EXPECT_TRUE(setup.started);
    robot::Answerer answerer(setup.info.dwProcessId);
    for (int answer : answers) answerer.Answer(answer);
    flow::Resume(setup);
    HWND dialog = robot::WaitForWindow("InstallKovara", "Install Kovara", 30000, setup.info.dwProcessId);
    DWORD code = 0;
    EXPECT_TRUE(dialog != nullptr) << "setup_kovara.exe "
                                   << (GetExitCodeProcess(setup.info.hProcess, &code) && code == STILL_ACTIVE
                                           ? "runs without its window; it shows" + WindowsOf(setup.info.dwProcessId)
                                           : "ended with code " + std::to_string(code));
    if (!dialog) robot::Screenshot("installer-window-missing");
    if (dialog) {
        robot::PressButton(dialog, IDC_INSTALL);
        if (staysOpen) {
            EXPECT_TRUE(answerer.WaitForBoxes(answers.size(), 60000));
            // A failed step clears the status line to a blank once its box is answered.
            EXPECT_TRUE(flow::WaitUntil([dialog] { return robot::ControlText(dialog, IDC_INSTALL_STATUS) == " "; }))
                << robot::ControlText(dialog, IDC_INSTALL_STATUS);
            EXPECT_TRUE(IsWindow(dialog));
            robot::PressButton(dialog, IDCANCEL);
        }
    }
    EXPECT_TRUE(flow::WaitForExit(setup, 120000));
    flow::Close(setup);
    answerer.Finish();
    return answerer.Boxes();
}

struct Uninstaller {
    flow::Process process;
    HWND dialog = nullptr;
};

void ExpectBox(const robot::Box &box, const char *caption, const std::string &text, UINT icon) {
    EXPECT_EQ(caption, box.caption);
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(icon, box.icon) << box.text;
}

std::string StepResult(HWND dialog, int step) {
    if (!robot::IsControlVisible(dialog, IDC_STEP_RESULT_FIRST + step - 1)) return "<hidden>";
    return robot::ControlText(dialog, IDC_STEP_RESULT_FIRST + step - 1);
}

// Waits until the uninstaller's Uninstall button is enabled again.
bool WaitForIdle(HWND dialog) {
    return flow::WaitUntil([dialog] { return robot::IsControlEnabled(dialog, IDC_UNINSTALL) != 0; }, 60000);
}

const char kLanyardNotInstalled[] =
    "Kovara may not be properly installed on this system.\nTo reinstall, you must first uninstall the previous "
    "installation.\n\nShortcut in Start Menu will not be created.";

// Runs lanyard.exe from `folder`, answering the boxes given; returns them.
std::vector<robot::Box> RunLanyard(const std::string &folder, const std::vector<int> &answers) {
    flow::Process lanyard = flow::StartSuspended(folder + "\\lanyard.exe", folder);
    EXPECT_TRUE(lanyard.started);
    robot::Answerer answerer(lanyard.info.dwProcessId);
    for (int answer : answers) answerer.Answer(answer);
    flow::Resume(lanyard);
    if (!answers.empty()) EXPECT_TRUE(answerer.WaitForBoxes(answers.size(), 30000));
    EXPECT_TRUE(flow::WaitForExit(lanyard));
    DWORD code = 1;
    GetExitCodeProcess(lanyard.info.hProcess, &code);
    EXPECT_EQ(0u, code);
    flow::Close(lanyard);
    answerer.Finish();
    return answerer.Boxes();
}

// ---- First round: fresh prefix ----------------------------------------------

TEST(FreshPrefix, LanyardWithoutInstallationSaysSo) {
    std::string dist = DistributionCopy("lanyard_dist");
    auto boxes = RunLanyard(dist, {IDOK});
    ASSERT_EQ(1u, boxes.size());
    ExpectBox(boxes[0], "Kovara - Lanyard", kLanyardNotInstalled, MB_ICONINFORMATION);
    EXPECT_FALSE(flow::Exists(StartMenu() + "\\Kovara.lnk"));
    flow::RemoveTree(dist);
}

TEST(FreshPrefix, RefusalsLeaveNothingInstalled) {
    ASSERT_FALSE(flow::DistributionFolder().empty()) << "KOVARA_DIST not set";
    const std::string eighteen = DistributionCopy("dist18", {"ReadMe.txt"});
    const std::string twenty = DistributionCopy("dist20");
    ASSERT_TRUE(flow::WriteAll(twenty + "\\Extra.txt", "extra"));
    const std::string dist = DistributionCopy("dist");
    HANDLE mutex = nullptr, held = nullptr;
    const std::string heldFile = InProgram("Kovara.exe");
    struct Case {
        const char *name;
        std::string folder;
        std::function<void()> setUp, tearDown;
        bool dialog;               // the refusal comes after Install
        std::vector<int> answers;  // the last box is the refusal
        std::string text, ending;  // the refusal's text, or its start and end
        UINT icon;
    } cases[] = {
        {"eighteen entries", eighteen, [] {}, [] {}, true, {IDOK}, kMissingFiles, "", MB_ICONWARNING},
        {"twenty entries", twenty, [] {}, [] {}, true, {IDOK}, kMissingFiles, "", MB_ICONWARNING},
        {"vault manager running", dist, [&] { mutex = CreateMutexA(nullptr, TRUE, "Kovara"); },
         [&] { CloseHandle(mutex); }, false, {IDOK},
         "An previous installation of Kovara is still running.\nIf you would like to re-install, first uninstall the "
         "previous installation",
         "", MB_ICONWARNING},
        {"second installer", dist, [&] { mutex = CreateMutexA(nullptr, TRUE, "InstallKovara"); },
         [&] { CloseHandle(mutex); }, false, {IDOK}, "An instance of Kovara installer is still running.", "",
         MB_ICONWARNING},
        {"program folder in use, overwrite refused", dist,
         [&] {
             ASSERT_TRUE(CreateDirectoryA(kProgramFolder, nullptr));
             ASSERT_TRUE(flow::WriteAll(InProgram("left.txt"), "left"));
         },
         [&] {
             EXPECT_FALSE(flow::Exists(InProgram("Kovara.exe")));
             EXPECT_FALSE(flow::Exists(InProgram("Key")));
             flow::RemoveTree(kProgramFolder);
         },
         true, {IDNO},
         "A Kovara directory exists in the selected installation path.\n\nSUGGESTION:\nIf this is a previous "
         "unsuccessful installation, then overwrite.\nIf this is a previous successful installation, then first "
         "uninstall.\n\nTo overwrite click \"Yes\".\nElse click \"No\".",
         "", MB_ICONQUESTION},
        // Overwritten, but one file of the folder is held open by another program.
        {"a copy fails", dist,
         [&] {
             ASSERT_TRUE(CreateDirectoryA(kProgramFolder, nullptr));
             ASSERT_TRUE(flow::WriteAll(heldFile, "old"));
             held = CreateFileA(heldFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
             ASSERT_TRUE(held != INVALID_HANDLE_VALUE);
         },
         [&] {
             CloseHandle(held);
             EXPECT_EQ("old", flow::ReadAll(heldFile));
             EXPECT_TRUE(flow::IsFolder(InProgram("Vault")));
             EXPECT_FALSE(flow::Exists(InProgram("uninst.log")));
             flow::RemoveTree(kProgramFolder);
         },
         true, {IDYES, IDOK}, "Copying file 'Kovara.exe' has failed.\n ", " \nInstallation cannot be completed.",
         MB_ICONWARNING},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        if (HasFatalFailure()) return;
        std::vector<robot::Box> boxes;
        if (c.dialog)
            boxes = RunInstaller(c.folder, c.answers, true);
        else
            boxes = RunToEnd(c.folder + "\\setup_kovara.exe", c.folder, c.answers);
        c.tearDown();
        ASSERT_EQ(c.answers.size(), boxes.size());
        const robot::Box &refusal = boxes.back();
        EXPECT_EQ("Kovara Installer", refusal.caption);
        EXPECT_EQ(c.icon, refusal.icon);
        if (c.ending.empty()) {
            EXPECT_EQ(c.text, refusal.text);
        } else {
            EXPECT_TRUE(refusal.text.size() > c.text.size() + c.ending.size() && !refusal.text.find(c.text) &&
                        refusal.text.rfind(c.ending) == refusal.text.size() - c.ending.size())
                << refusal.text;
        }
        EXPECT_FALSE(flow::Exists(kProgramFolder));
        EXPECT_FALSE(flow::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\Kovara"));
        EXPECT_EQ(0, flow::KovdevDeviceCount());
    }
    for (const std::string &folder : {eighteen, twenty, dist}) flow::RemoveTree(folder);
}

TEST(FreshPrefix, InstallWithoutDesktopShortcutThenUninstallWithEmptyLog) {
    // A program folder left holding only the uninstaller is taken without a
    // question; a folder where the desktop shortcut should go makes it fail.
    ASSERT_TRUE(CreateDirectoryA(kProgramFolder, nullptr));
    ASSERT_TRUE(flow::WriteAll(InProgram("uninstall_kovara.exe"), "left by an uninstall"));
    std::string desktopLink = Desktop() + "\\Kovara.lnk";
    ASSERT_TRUE(CreateDirectoryA(desktopLink.c_str(), nullptr));
    std::string dist = DistributionCopy("dist");

    auto boxes = RunInstaller(dist, {IDNO}, false);
    ASSERT_EQ(1u, boxes.size());
    ExpectBox(boxes[0], "Kovara", kCongratulations, MB_ICONQUESTION);

    std::string log = flow::ReadAll(InProgram("uninst.log"));
    std::string expected = "\nFolder=" + Group() + "\nFile=" + Group() + "\\Kovara.lnk\nFile=" + Group() +
                           "\\Help.lnk\nFile=" + Group() + "\\Uninstall.lnk\nFile=" + StartMenu() + "\\Kovara.lnk";
    EXPECT_EQ(expected, log);
    EXPECT_EQ(1, flow::KovdevDeviceCount());
    EXPECT_TRUE(flow::DriverAnswers());
    EXPECT_GT(flow::ReadAll(InProgram("uninstall_kovara.exe")).size(), 1000u);

    // A link planted in Vault (Wine shows a Unix link to a folder as a
    // reparse point; it makes no junctions) and a file held open without
    // delete sharing: neither can be deleted.
    const std::string linked = "C:\\linked_tree", link = InProgram("Vault\\Linked");
    ASSERT_TRUE(CreateDirectoryA(linked.c_str(), nullptr));
    ASSERT_TRUE(flow::WriteAll(linked + "\\kept.txt", "not ours"));
    ASSERT_TRUE(flow::MakeFolderLink(link, linked));
    HANDLE held = CreateFileA(InProgram("Kovara.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_TRUE(held != INVALID_HANDLE_VALUE);
    const std::string cannotDelete[] = {InProgram("Kovara.exe"), link};
    // A folder of 258 characters, too long to search (its file's path is over
    // the limit too): the removal asks about it as about a file it could not
    // delete instead of leaving its entries unseen.
    const std::string deep = InProgram("Key\\") + std::string(258 - InProgram("Key\\").size(), 'd');
    const std::wstring deepFile =
        L"\\\\?\\" + std::wstring(deep.begin(), deep.end()) + L"\\a name beyond the limit.txt";
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    HANDLE deepHandle = CreateFileW(deepFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_TRUE(deepHandle != INVALID_HANDLE_VALUE);
    CloseHandle(deepHandle);

    flow::Process process = flow::StartSuspended(InProgram("uninstall_kovara.exe"), kProgramFolder);
    robot::Answerer answerer(process.info.dwProcessId);
    answerer.Answer(IDNO);
    flow::Resume(process);
    HWND dialog = robot::WaitForWindow("UninstallKovara", "Kovara", 30000, process.info.dwProcessId);
    ASSERT_TRUE(dialog != nullptr);
    EXPECT_EQ("Click \"Uninstall\" to begin uninstallation.", robot::ControlText(dialog, IDC_UNINSTALL_STATUS));
    EXPECT_EQ("<hidden>", StepResult(dialog, 1));

    // The first failure answered No stops the run after the files.
    robot::PressButton(dialog, IDC_UNINSTALL);
    ASSERT_TRUE(answerer.WaitForBoxes(1, 120000));
    ASSERT_TRUE(WaitForIdle(dialog));
    EXPECT_EQ("Unistallation aborted.", robot::ControlText(dialog, IDC_UNINSTALL_STATUS));
    EXPECT_EQ("Completed", StepResult(dialog, 1));
    EXPECT_EQ("Not completed", StepResult(dialog, 2));
    EXPECT_EQ("<hidden>", StepResult(dialog, 3));
    EXPECT_TRUE(flow::IsFolder(InProgram("Key")));

    // Both answered Yes, with an empty log: driver, the other files, Key, PRF
    // and registry go; the links stay, the dialog stays open, and nothing
    // deletes the uninstaller.
    ASSERT_TRUE(flow::WriteAll(InProgram("uninst.log"), ""));
    for (int question = 0; question < 3; ++question) answerer.Answer(IDYES);
    answerer.Answer(IDOK);
    robot::PressButton(dialog, IDC_UNINSTALL);
    ASSERT_TRUE(answerer.WaitForBoxes(5, 120000));
    ASSERT_TRUE(WaitForIdle(dialog));
    EXPECT_EQ("Unistallation completed, remove some items manually.", robot::ControlText(dialog, IDC_UNINSTALL_STATUS));
    for (int step : {1, 2, 4}) EXPECT_EQ("Completed", StepResult(dialog, step)) << step;
    // Wine cannot remove a link to a folder (RemoveDirectoryA follows it and
    // fails with ERROR_DIR_NOT_EMPTY), so Vault stays; what the link points to
    // must be untouched either way.
    EXPECT_EQ("Not Removed", StepResult(dialog, 3));
    EXPECT_EQ("Not completed", StepResult(dialog, 5));
    EXPECT_EQ("not ours", flow::ReadAll(linked + "\\kept.txt"));
    {
        auto boxes = answerer.Boxes();
        ASSERT_EQ(5u, boxes.size());
        const std::string overlong = std::string("Removing file '") + deep + "' has failed. ";
        EXPECT_EQ(overlong, boxes[3].text.substr(0, overlong.size()));
        std::vector<std::string> named;
        for (int question : {0, 1, 2}) {
            const robot::Box &box = boxes[question];
            EXPECT_EQ("Uninstall Kovara", box.caption);
            EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), box.icon);
            const std::string ending = " Do you want uninstallation to continue?";
            EXPECT_TRUE(box.text.size() > ending.size() &&
                        !box.text.compare(box.text.size() - ending.size(), ending.size(), ending))
                << box.text;
            for (const std::string &path : cannotDelete) {
                const std::string opening = "Removing file '" + path + "' has failed. ";
                if (!box.text.compare(0, opening.size(), opening)) named.push_back(path);
            }
        }
        ASSERT_EQ(3u, named.size()) << "a question names neither file";
        EXPECT_NE(named[1], named[2]) << "the second run asks about each file once";
    }
    CloseHandle(held);
    ASSERT_TRUE(flow::RemoveFolderLink(link));
    ASSERT_TRUE(DeleteFileW(deepFile.c_str()));
    ASSERT_TRUE(RemoveDirectoryA(deep.c_str()));

    // A hostile log saved with CRLF line ends: the group's links and folder
    // go, anything outside the installer's places stays, and the step fails.
    ASSERT_TRUE(CreateDirectoryA("C:\\victim", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\victim\\empty", nullptr));
    ASSERT_TRUE(flow::WriteAll("C:\\victim\\victim.txt", "x"));
    ASSERT_TRUE(flow::WriteAll("C:\\victim\\victim.lnk", "x"));
    ASSERT_TRUE(flow::WriteAll(InProgram("rel.lnk"), "x"));
    const std::string hostile =
        "\r\nFolder=" + Group() + "\r\nFile=" + Group() + "\\Kovara.lnk\r\nFile=" + Group() +
        "\\Help.lnk\r\nFile=" + Group() + "\\Uninstall.lnk\r\nFile=" + StartMenu() +
        "\\Kovara.lnk\r\nFile=C:\\victim\\victim.txt\r\nFile=C:\\victim\\victim.lnk\r\nFile=rel.lnk"
        "\r\nFolder=C:\\victim\\empty\r\nFile=" +
        Group() + "\\" + std::string(300, 'x') + ".lnk";
    ASSERT_TRUE(flow::WriteAll(InProgram("uninst.log"), hostile));
    answerer.Answer(IDYES);  // the list made at start still holds the deep folder
    answerer.Answer(IDOK);
    robot::PressButton(dialog, IDC_UNINSTALL);
    ASSERT_TRUE(answerer.WaitForBoxes(7, 120000));
    ASSERT_TRUE(WaitForIdle(dialog));
    EXPECT_EQ("Completed", StepResult(dialog, 3));
    EXPECT_EQ("Not completed", StepResult(dialog, 5));
    EXPECT_FALSE(flow::Exists(Group()));
    EXPECT_FALSE(flow::Exists(StartMenu() + "\\Kovara.lnk"));
    for (const char *kept : {"C:\\victim\\victim.txt", "C:\\victim\\victim.lnk", "C:\\victim\\empty"})
        EXPECT_TRUE(flow::Exists(kept)) << kept;
    EXPECT_TRUE(flow::Exists(InProgram("rel.lnk")));
    EXPECT_TRUE(flow::Exists(InProgram("uninst.log")));
    robot::PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(flow::WaitForExit(process));
    flow::Close(process);
    answerer.Finish();
    auto seen = answerer.Boxes();
    ASSERT_EQ(7u, seen.size());
    EXPECT_EQ(seen[3].text, seen[5].text);
    ExpectBox(seen[4], "Error",
              "Installation log file named \"uninst.log\" is corrupt.\nUninstallation was done but shortcuts could not "
              "be removed.",
              MB_ICONWARNING);
    ExpectBox(seen[6], "Error",
              "Uninstallation was done but shortcuts and sub-folders could not be removed.\nYou can remove these "
              "manually.",
              MB_ICONINFORMATION);
    flow::RemoveTree("C:\\victim");
    flow::RemoveTree(linked);

    // No wait is needed: a self-delete writes DelUS.bat before the process
    // exits, and the batch deletes the uninstaller before it deletes itself,
    // so a wrongly started one shows as either file missing.
    EXPECT_TRUE(flow::Exists(InProgram("uninstall_kovara.exe")));
    EXPECT_FALSE(flow::Exists("C:\\DelUS.bat"));
    EXPECT_FALSE(flow::Exists(InProgram("Kovara.exe")));
    EXPECT_FALSE(flow::Exists(InProgram("Vault")));
    EXPECT_FALSE(flow::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\Kovara"));
    EXPECT_EQ(0, flow::KovdevDeviceCount());

    // Left for the next round: a clean prefix with the driver service still loaded.
    flow::RemoveTree(Group());
    DeleteFileA((StartMenu() + "\\Kovara.lnk").c_str());
    RemoveDirectoryA(desktopLink.c_str());
    flow::RemoveTree(kProgramFolder);

    // The driver stays in memory until the restart: the installer ends at once.
    auto refused = RunToEnd(dist + "\\setup_kovara.exe", dist, {IDOK});
    ASSERT_EQ(1u, refused.size());
    ExpectBox(refused[0], "Kovara Installer",
              "Kovara driver was found in Windows memory.\n\nIf you un-installed a previous installation of "
              "Kovara,\nthen you must restart your computer before installation.",
              MB_ICONWARNING);
    EXPECT_FALSE(flow::Exists(kProgramFolder));
    flow::RemoveTree(dist);
}

// ---- Second round: after a restart ------------------------------------------

TEST(SecondInstall, PresentDeviceIsUpdatedAndEverythingIsInPlace) {
    ASSERT_TRUE(flow::CreateBareKovdevDevice());
    ASSERT_EQ(1, flow::KovdevDeviceCount());
    std::string dist = DistributionCopy("dist");

    auto boxes = RunInstaller(dist, {IDNO}, false);
    ASSERT_EQ(1u, boxes.size());
    ExpectBox(boxes[0], "Kovara", kCongratulations, MB_ICONQUESTION);
    EXPECT_EQ(1, flow::KovdevDeviceCount());
    EXPECT_TRUE(flow::DriverAnswers());

    for (const char *name : kShipped)
        EXPECT_TRUE(flow::ReadAll(dist + "\\" + name) == flow::ReadAll(InProgram(name))) << name;
    EXPECT_FALSE(flow::Exists(InProgram("setup_kovara.exe")));
    for (const char *folder : {"Key", "PRF", "Vault"}) EXPECT_TRUE(flow::IsFolder(InProgram(folder))) << folder;
    std::string system = flow::SpecialFolder(CSIDL_SYSTEM);
    EXPECT_TRUE(flow::ReadAll(dist + "\\kovdevxp.sys") == flow::ReadAll(system + "\\Drivers\\kovdevxp.sys"));

    const std::string folder(kProgramFolder);
    EXPECT_EQ("Kovara", flow::RegString(HKEY_CLASSES_ROOT, ".udf", nullptr));
    EXPECT_EQ("Kovara", flow::RegString(HKEY_CLASSES_ROOT, "Kovara", nullptr));
    EXPECT_EQ(folder + "\\udf.ico", flow::RegString(HKEY_CLASSES_ROOT, "Kovara\\DefaultIcon", nullptr));
    EXPECT_EQ(folder + "\\ShellHelperKO.exe %1",
              flow::RegString(HKEY_CLASSES_ROOT, "KovaraPE\\shell\\open\\command", nullptr));
    const char uninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kovara";
    EXPECT_EQ("Kovara", flow::RegString(HKEY_LOCAL_MACHINE, uninstallKey, "DisplayName"));
    EXPECT_EQ(folder + "\\uninstall_kovara.exe", flow::RegString(HKEY_LOCAL_MACHINE, uninstallKey, "UninstallString"));
    EXPECT_EQ(folder, flow::RegString(HKEY_LOCAL_MACHINE, "Software\\Kovara", "InstallPath"));

    const std::string desktopLink = Desktop() + "\\Kovara.lnk", startLink = StartMenu() + "\\Kovara.lnk";
    std::string log = flow::ReadAll(InProgram("uninst.log"));
    EXPECT_EQ("\nFile=" + desktopLink + "\nFolder=" + Group() + "\nFile=" + Group() + "\\Kovara.lnk\nFile=" + Group() +
                  "\\Help.lnk\nFile=" + Group() + "\\Uninstall.lnk\nFile=" + startLink,
              log);

    struct Expected {
        std::string link, target, description, icon;
    } links[] = {
        {desktopLink, folder + "\\Kovara.exe", "Kovara", ""},
        {Group() + "\\Kovara.lnk", folder + "\\Kovara.exe", "Kovara", ""},
        {Group() + "\\Help.lnk", folder + "\\Kovara.chm", "Help Kovara", ""},
        {Group() + "\\Uninstall.lnk", folder + "\\uninstall_kovara.exe", "Uninstall Kovara", ""},
        {startLink, folder + "\\ShellHelperKO.exe", "Kovara", folder + "\\udf.ico"},
    };
    for (const Expected &want : links) {
        flow::Link link = flow::ReadLink(want.link);
        ASSERT_TRUE(link.loaded) << want.link;
        EXPECT_EQ(want.target, link.target) << want.link;
        EXPECT_EQ(folder, link.workingFolder) << want.link;
        EXPECT_EQ(want.description, link.description) << want.link;
        if (!want.icon.empty()) {
            EXPECT_EQ(want.icon, link.iconPath);
            EXPECT_EQ(0, link.iconIndex);
        }
    }
}

// ---- Third round: after another restart --------------------------------------

TEST(AfterRestart, DriverServiceAnswers) {
    EXPECT_TRUE(flow::DriverAnswers());
    EXPECT_EQ(1, flow::KovdevDeviceCount());
}

TEST(AfterRestart, InstallerFindsTheInstallation) {
    const std::string dist = DistributionCopy("dist_again");
    auto boxes = RunToEnd(dist + "\\setup_kovara.exe", dist, {IDOK});
    ASSERT_EQ(1u, boxes.size());
    ExpectBox(boxes[0], "Kovara Installer",
              "Kovara found installed on this system!\n\nTo update, download update program.\nTo re-install, first "
              "uninstall the previous installation.\n\nYou may contact support@kovara.example for any questions that "
              "you may have.",
              MB_ICONINFORMATION);
    EXPECT_EQ(std::string(kProgramFolder), flow::RegString(HKEY_LOCAL_MACHINE, "Software\\Kovara", "InstallPath"));
    flow::RemoveTree(dist);
}

TEST(AfterRestart, LanyardPutsTheStartMenuShortcutInPlace) {
    const std::string link = StartMenu() + "\\Kovara.lnk";
    ASSERT_TRUE(DeleteFileA(link.c_str()));

    // A copy at work already: the second ends without a word.
    HANDLE first = CreateMutexA(nullptr, TRUE, "LanyardKovara");
    ASSERT_TRUE(first != nullptr);
    EXPECT_TRUE(RunLanyard(kProgramFolder, {}).empty());
    EXPECT_FALSE(flow::Exists(link));
    CloseHandle(first);

    // Without its icon the product counts as not installed.
    ASSERT_TRUE(MoveFileA(InProgram("udf.ico").c_str(), InProgram("udf.away").c_str()));
    auto boxes = RunLanyard(kProgramFolder, {IDOK});
    ASSERT_TRUE(MoveFileA(InProgram("udf.away").c_str(), InProgram("udf.ico").c_str()));
    ASSERT_EQ(1u, boxes.size());
    ExpectBox(boxes[0], "Kovara - Lanyard", kLanyardNotInstalled, MB_ICONINFORMATION);
    EXPECT_FALSE(flow::Exists(link));

    EXPECT_TRUE(RunLanyard(kProgramFolder, {}).empty());
    flow::Link made = flow::ReadLink(link);
    ASSERT_TRUE(made.loaded);
    EXPECT_EQ(InProgram("ShellHelperKO.exe"), made.target);
    EXPECT_EQ(kProgramFolder, made.workingFolder);
    EXPECT_EQ("Kovara", made.description);
    EXPECT_EQ(InProgram("udf.ico"), made.iconPath);
    EXPECT_EQ(0, made.iconIndex);
}

TEST(AfterRestart, InstalledVaultManagerStartsFromTheProgramFolder) {
    // No token is registered in this prefix: the installed program starts with
    // its token set-up, and ends when that is cancelled.
    flow::Process manager = flow::StartSuspended(InProgram("Kovara.exe"), kProgramFolder);
    ASSERT_TRUE(manager.started);
    robot::Answerer answerer(manager.info.dwProcessId);
    bool setUpShown = false;
    answerer.OnDialog("Kovara - Setup Your Token", [&setUpShown](HWND dialog) {
        setUpShown = true;
        robot::PressButton(dialog, IDCANCEL);
    });
    flow::Resume(manager);
    EXPECT_TRUE(flow::WaitForExit(manager, 60000));
    flow::Close(manager);
    answerer.Finish();
    EXPECT_TRUE(setUpShown);
}

// ---- Last round: after the installed program made a user and locked --------

// Starts an uninstaller from `folder` and waits for its dialog or its one
// box; returns the box (caption empty when the dialog opened; it is closed).
robot::Box UninstallerStartUp(const std::string &folder, bool refuses) {
    flow::Process process = flow::StartSuspended(folder + "\\uninstall_kovara.exe", folder);
    EXPECT_TRUE(process.started) << folder;
    robot::Answerer answerer(process.info.dwProcessId);
    if (refuses) answerer.Answer(IDOK);
    flow::Resume(process);
    if (refuses) {
        EXPECT_TRUE(answerer.WaitForBoxes(1, 30000));
    } else {
        HWND dialog = robot::WaitForWindow("UninstallKovara", "Kovara", 30000, process.info.dwProcessId);
        EXPECT_TRUE(dialog != nullptr) << "no dialog";
        if (dialog) robot::PressButton(dialog, IDCANCEL);
    }
    EXPECT_TRUE(flow::WaitForExit(process));
    flow::Close(process);
    answerer.Finish();
    auto boxes = answerer.Boxes();
    EXPECT_EQ(refuses ? 1u : 0u, boxes.size());
    return boxes.empty() ? robot::Box() : boxes[0];
}

TEST(Uninstall, StartUpRefusalsRemoveNothing) {
    const char statusKey[] = "SOFTWARE\\Kovara\\VaultStatus";
    const std::string elsewhere = "C:\\Elsewhere";
    HANDLE managerMutex = nullptr;
    flow::Process first;
    HWND firstDialog = nullptr;
    struct Case {
        const char *name;
        std::function<void()> setUp, tearDown;
        std::string folder, caption, text;
        UINT icon;
    } cases[] = {
        {"vault open on a drive",
         [&] { ASSERT_TRUE(flow::RegSetString(HKEY_LOCAL_MACHINE, statusKey, "OpenVault", "F:")); }, [] {},
         kProgramFolder, "Uninstall Kovara",
         "Kovara uninstaller has determined that a vault is still open.\nYou must exit program \"Kovara\" before "
         "uninstallation.\n\nUninstallation aborted.",
         MB_ICONWARNING},
        {"OpenVault of three characters",
         [&] { ASSERT_TRUE(flow::RegSetString(HKEY_LOCAL_MACHINE, statusKey, "OpenVault", "F:\\")); }, [] {},
         kProgramFolder, "", "", 0},
        {"OpenVault without a colon",
         [&] { ASSERT_TRUE(flow::RegSetString(HKEY_LOCAL_MACHINE, statusKey, "OpenVault", "FX")); },
         [&] { RegDeleteKeyA(HKEY_LOCAL_MACHINE, statusKey); }, kProgramFolder, "", "", 0},
        {"vault manager running",
         [&] {
             managerMutex = CreateMutexA(nullptr, TRUE, "Kovara");
             ASSERT_TRUE(managerMutex != nullptr);
         },
         [&] { CloseHandle(managerMutex); }, kProgramFolder, "Kovara",
         "Uninstaller has determined that Kovara program is still running.\nYou must exit program \"Kovara\" before "
         "uninstallation.\n\nUninstallation aborted.",
         MB_ICONWARNING},
        {"second copy",
         [&] {
             first = flow::StartSuspended(InProgram("uninstall_kovara.exe"), kProgramFolder);
             flow::Resume(first);
             firstDialog = robot::WaitForWindow("UninstallKovara", "Kovara", 30000, first.info.dwProcessId);
             ASSERT_TRUE(firstDialog != nullptr);
         },
         [&] {
             if (firstDialog) robot::PressButton(firstDialog, IDCANCEL);
             EXPECT_TRUE(flow::WaitForExit(first));
             flow::Close(first);
         },
         kProgramFolder, "Uninstall Kovara",
         "Uninstallation aborted due to:\nAn instance of uninstall is still running.", MB_ICONERROR},
        // A copy started elsewhere would empty the folder it lies in.
        {"started outside the installed folder",
         [&] {
             ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
             ASSERT_TRUE(CopyFileA(InProgram("uninstall_kovara.exe").c_str(),
                                   (elsewhere + "\\uninstall_kovara.exe").c_str(), TRUE));
             ASSERT_TRUE(flow::WriteAll(elsewhere + "\\bystander.txt", "not ours"));
             ASSERT_TRUE(flow::WriteAll(elsewhere + "\\uninst.log", "\nFile=" + Desktop() + "\\Kovara.lnk"));
         },
         [&] {
             EXPECT_TRUE(flow::Exists(elsewhere + "\\bystander.txt"));
             EXPECT_TRUE(flow::Exists(elsewhere + "\\uninst.log"));
             flow::RemoveTree(elsewhere);
         },
         elsewhere, "Uninstall Kovara",
         "Kovara is installed in\nC:\\Program Files\\Kovara\nbut this uninstaller was started from\nC:\\Elsewhere\n\n"
         "Run the uninstaller of the installed folder.\n\nUninstallation aborted.",
         MB_ICONWARNING},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        if (HasFatalFailure()) return;
        robot::Box box = UninstallerStartUp(c.folder, !c.text.empty());
        c.tearDown();
        if (!c.text.empty()) ExpectBox(box, c.caption.c_str(), c.text, c.icon);
        // Nothing was removed.
        EXPECT_TRUE(flow::Exists(InProgram("Kovara.exe")));
        EXPECT_TRUE(flow::Exists(InProgram("uninst.log")));
        EXPECT_TRUE(flow::Exists(Desktop() + "\\Kovara.lnk"));
        EXPECT_EQ(1, flow::KovdevDeviceCount());
    }
}

TEST(Uninstall, WarnsOfTheVaultKeepsForeignFolderThenRemovesEverything) {
    // The vault the installed program created in the round before, its
    // extension in capitals: the warning must still see it.
    ASSERT_TRUE(MoveFileA(InProgram("Vault\\Kovara_Zoe.udf").c_str(), InProgram("Vault\\Kovara_Zoe.UDF").c_str()));
    ASSERT_TRUE(flow::Exists(InProgram("Vault\\Kovara_Zoe.UDF")));
    const std::string foreign = Group() + "\\Foreign.txt";
    ASSERT_TRUE(flow::WriteAll(foreign, "not ours"));
    const std::string desktopLink = Desktop() + "\\Kovara.lnk", startLink = StartMenu() + "\\Kovara.lnk";
    const std::string self = InProgram("uninstall_kovara.exe");

    flow::Process process = flow::StartSuspended(self, kProgramFolder);
    robot::Answerer answerer(process.info.dwProcessId);
    flow::Resume(process);
    HWND dialog = robot::WaitForWindow("UninstallKovara", "Kovara", 30000, process.info.dwProcessId);
    ASSERT_TRUE(dialog != nullptr);

    // The warning answered Yes cancels; a missing uninst.log stops the run
    // before anything is removed.
    answerer.Answer(IDYES);
    robot::PressButton(dialog, IDC_UNINSTALL);
    ASSERT_TRUE(answerer.WaitForBoxes(1, 30000));
    ASSERT_TRUE(MoveFileA(InProgram("uninst.log").c_str(), InProgram("uninst.away").c_str()));
    answerer.Answer(IDNO);
    answerer.Answer(IDOK);
    robot::PressButton(dialog, IDC_UNINSTALL);
    ASSERT_TRUE(answerer.WaitForBoxes(3, 30000));
    ASSERT_TRUE(MoveFileA(InProgram("uninst.away").c_str(), InProgram("uninst.log").c_str()));
    EXPECT_EQ("Click \"Uninstall\" to begin uninstallation.", robot::ControlText(dialog, IDC_UNINSTALL_STATUS));
    for (int step = 1; step <= 5; ++step) EXPECT_EQ("<hidden>", StepResult(dialog, step)) << step;
    EXPECT_TRUE(flow::Exists(InProgram("Vault\\Kovara_Zoe.UDF")));
    EXPECT_TRUE(flow::Exists(InProgram("Kovara.exe")));
    EXPECT_EQ(1, flow::KovdevDeviceCount());
    {
        auto boxes = answerer.Boxes();
        ASSERT_EQ(3u, boxes.size());
        for (int warning : {0, 1}) EXPECT_EQ("Kovara - WARNING (Vault Exists)", boxes[warning].caption);
        ExpectBox(boxes[2], "Error",
                  "Installation log file named \"uninst.log\", not found in program folder.\nUninstallation will abort.",
                  MB_ICONWARNING);
    }

    answerer.Answer(IDNO);  // vault warning: go on
    answerer.Answer(IDOK);  // sub-folders could not be removed
    robot::PressButton(dialog, IDC_UNINSTALL);
    ASSERT_TRUE(answerer.WaitForBoxes(5, 120000));
    ASSERT_TRUE(WaitForIdle(dialog));
    EXPECT_EQ("Unistallation completed, remove some items manually.", robot::ControlText(dialog, IDC_UNINSTALL_STATUS));
    EXPECT_EQ("Not completed", StepResult(dialog, 5));
    EXPECT_TRUE(flow::Exists(foreign));
    EXPECT_FALSE(flow::Exists(Group() + "\\Kovara.lnk"));
    EXPECT_FALSE(flow::Exists(desktopLink));
    EXPECT_FALSE(flow::Exists(InProgram("Vault\\Kovara_Zoe.UDF")));
    EXPECT_TRUE(flow::Exists(InProgram("uninst.log")));

    // The same dialog runs again once the foreign file is gone.
    ASSERT_TRUE(DeleteFileA(foreign.c_str()));
    // A DelUS.bat planted read-only: the self-delete replaces it with its own.
    ASSERT_TRUE(flow::WriteAll("C:\\DelUS.bat", "echo planted> C:\\planted.txt\r\n"));
    ASSERT_TRUE(SetFileAttributesA("C:\\DelUS.bat", FILE_ATTRIBUTE_READONLY));
    answerer.Answer(IDNO);  // the list made at start still names the vault
    answerer.Answer(IDOK);  // completed successfully
    robot::PressButton(dialog, IDC_UNINSTALL);
    EXPECT_TRUE(flow::WaitForExit(process, 120000));
    flow::Close(process);
    answerer.Finish();
    auto boxes = answerer.Boxes();
    ASSERT_EQ(7u, boxes.size());
    ExpectBox(boxes[3], "Kovara - WARNING (Vault Exists)",
              "WARNING!\n----------\nYou have one or more vaults.\nDuring un-installation, the vaults will be "
              "deleted.\n\nOnce deleted, you will lose all data stored in the vault(s).\nClick \"Yes\" to cancel "
              "un-installation.\nClick \"No\" to continue un-installation.\n\nCancel un-installation?",
              MB_ICONERROR);
    ExpectBox(boxes[4], "Error",
              "Uninstallation was done but sub-folders could not be removed.\nYou can remove these manually.",
              MB_ICONINFORMATION);
    ExpectBox(boxes[6], "Uninstall Kovara",
              "Uninstallation completed successfully!\n\nIMPORTANT:\nYou must yourself restart your computer to "
              "complete the uninstallation process.",
              MB_ICONINFORMATION);

    // The batch removes the uninstaller, the program folder and itself.
    EXPECT_TRUE(flow::WaitUntilGone(self, 60000));
    EXPECT_TRUE(flow::WaitUntilGone(kProgramFolder, 60000));
    EXPECT_TRUE(flow::WaitUntilGone("C:\\DelUS.bat", 60000));
    EXPECT_FALSE(flow::Exists("C:\\planted.txt"));
    EXPECT_FALSE(flow::Exists(Group()));
    EXPECT_FALSE(flow::Exists(startLink));
    // A driver still loaded keeps its image in use until the restart.
    const std::string driverFile = flow::SpecialFolder(CSIDL_SYSTEM) + "\\Drivers\\kovdevxp.sys";
    EXPECT_TRUE(!flow::Exists(driverFile) || flow::DriverAnswers());
    EXPECT_EQ(0, flow::KovdevDeviceCount());
    for (const char *key : {"Software\\Kovara", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kovara",
                            "SOFTWARE\\Classes\\Kovara", "SOFTWARE\\Classes\\.udf"})
        EXPECT_FALSE(flow::RegKeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    // The companion program's class key is not among those removed.
    EXPECT_TRUE(flow::RegKeyExists(HKEY_CLASSES_ROOT, "KovaraPE"));
}

TEST(SelfDeleteBatch, BytesOfTheBatchFile) {
    const char *self = "C:\\Program Files\\Kovara\\uninstall_kovara.exe";
    const char *folder = "C:\\Program Files\\Kovara";
    char expected[1024];
    snprintf(expected, sizeof expected,
             "set KovaraTries=0\r\n:Repeat\r\ndel \"%s\"\r\nset /a KovaraTries+=1\r\nif exist \"%s\" if %%KovaraTries%% "
             "lss 1000 goto Repeat\r\nrmdir \"%s\"\r\ndel \"%s\"\r\n",
             self, self, folder, "\\DelUS.bat");
    EXPECT_EQ(expected, SelfDeleteBatchText(self, folder));
}

TEST(SelfDeleteBatch, RemovesWhatItNamesAndEndsWhenItCannot) {
    char testExe[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(nullptr, testExe, MAX_PATH));
    struct Case {
        const char *folder;
        bool held;  // mapped as an image here, as a running copy would be
    } cases[] = {
        // cmd would read %PATH% and %OS% as variables and miss the file.
        {"C:\\self%PATH%delete", false},
        // The batch gives up after its tries and still ends (it deletes itself
        // last), leaving the file it could not delete.
        {"C:\\self delete held", true},
    };
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));  // the batch goes to the current drive's root
    for (const Case &c : cases) {
        const std::string folder = c.folder, exe = folder + "\\un%OS%install.exe";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        ASSERT_TRUE(CopyFileA(testExe, exe.c_str(), FALSE)) << exe;
        HMODULE image = c.held ? LoadLibraryExA(exe.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES) : nullptr;
        if (c.held) ASSERT_TRUE(image != nullptr) << GetLastError();

        StartSelfDelete(exe.c_str(), folder.c_str());
        SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
        ASSERT_TRUE(flow::Exists("C:\\DelUS.bat")) << folder;
        // Under load Wine's cmd takes some 40 ms a try.
        EXPECT_TRUE(flow::WaitUntilGone("C:\\DelUS.bat", 240000)) << folder << ": the batch did not end";
        if (c.held) {
            EXPECT_TRUE(flow::Exists(exe));
            FreeLibrary(image);
            flow::RemoveTree(folder);
        } else {
            EXPECT_FALSE(flow::Exists(exe)) << exe;
            EXPECT_FALSE(flow::Exists(folder)) << folder;
        }
    }
    SetCurrentDirectoryA(previous);
}

}  // namespace
