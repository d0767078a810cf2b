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

// Runs the installer from `folder`, presses Install and waits for its end
// (or, when `staysOpen`, for the boxes and then Cancel). Returns the boxes.
std::vector<robot::Box> RunInstaller(const std::string &folder, const std::vector<int> &answers, bool staysOpen) {
    flow::Process setup = flow::StartSuspended(folder + "\\setup_kovara.exe", folder);
    EXPECT_TRUE(setup.started);
    robot::Answerer answerer(setup.info.dwProcessId);
    for (int answer : answers) answerer.Answer(answer);
    flow::Resume(setup);
    HWND dialog = robot::WaitForWindow("InstallKovara", "Install Kovara", 30000, setup.info.dwProcessId);
    EXPECT_TRUE(dialog != nullptr);
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

TEST(FreshPrefix, EighteenOrTwentyEntriesAreRefused) {
    ASSERT_FALSE(flow::DistributionFolder().empty()) << "KOVARA_DIST not set";
    std::string eighteen = DistributionCopy("dist18", {"ReadMe.txt"});
    std::string twenty = DistributionCopy("dist20");
    ASSERT_TRUE(flow::WriteAll(twenty + "\\Extra.txt", "extra"));
    for (const std::string &folder : {eighteen, twenty}) {
        auto boxes = RunInstaller(folder, {IDOK}, true);
        ASSERT_EQ(1u, boxes.size()) << folder;
        ExpectBox(boxes[0], "Kovara Installer", kMissingFiles, MB_ICONWARNING);
    }
    EXPECT_FALSE(flow::Exists(kProgramFolder));
    EXPECT_FALSE(flow::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\Kovara"));
    flow::RemoveTree(eighteen);
    flow::RemoveTree(twenty);
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

    // An empty log: driver, files, sub-folders and registry go; the links stay,
    // the dialog stays open, and nothing deletes the uninstaller.
    ASSERT_TRUE(flow::WriteAll(InProgram("uninst.log"), ""));
    flow::Process process = flow::StartSuspended(InProgram("uninstall_kovara.exe"), kProgramFolder);
    robot::Answerer answerer(process.info.dwProcessId);
    answerer.Answer(IDOK);
    flow::Resume(process);
    HWND dialog = robot::WaitForWindow("UninstallKovara", "Kovara", 30000, process.info.dwProcessId);
    ASSERT_TRUE(dialog != nullptr);
    EXPECT_EQ("Click \"Uninstall\" to begin uninstallation.", robot::ControlText(dialog, IDC_UNINSTALL_STATUS));
    EXPECT_EQ("<hidden>", StepResult(dialog, 1));
    robot::PressButton(dialog, IDC_UNINSTALL);
    ASSERT_TRUE(answerer.WaitForBoxes(1, 120000));
    ASSERT_TRUE(WaitForIdle(dialog));
    EXPECT_EQ("Unistallation completed, remove some items manually.", robot::ControlText(dialog, IDC_UNINSTALL_STATUS));
    for (int step = 1; step <= 4; ++step) EXPECT_EQ("Completed", StepResult(dialog, step)) << step;
    EXPECT_EQ("Not completed", StepResult(dialog, 5));

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
    answerer.Answer(IDOK);
    robot::PressButton(dialog, IDC_UNINSTALL);
    ASSERT_TRUE(answerer.WaitForBoxes(2, 120000));
    ASSERT_TRUE(WaitForIdle(dialog));
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
    ASSERT_EQ(2u, seen.size());
    ExpectBox(seen[0], "Error",
              "Installation log file named \"uninst.log\" is corrupt.\nUninstallation was done but shortcuts could not "
              "be removed.",
              MB_ICONWARNING);
    ExpectBox(seen[1], "Error",
              "Uninstallation was done but shortcuts and sub-folders could not be removed.\nYou can remove these "
              "manually.",
              MB_ICONINFORMATION);
    flow::RemoveTree("C:\\victim");

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

TEST(Uninstall, OpenVaultOfTwoCharactersBlocksTheUninstaller) {
    const char key[] = "SOFTWARE\\Kovara\\VaultStatus";
    struct Case {
        const char *value;
        bool blocks;
    } cases[] = {{"F:", true}, {"F:\\", false}, {"FX", false}};
    for (const Case &c : cases) {
        ASSERT_TRUE(flow::RegSetString(HKEY_LOCAL_MACHINE, key, "OpenVault", c.value));
        flow::Process process = flow::StartSuspended(InProgram("uninstall_kovara.exe"), kProgramFolder);
        robot::Answerer answerer(process.info.dwProcessId);
        if (c.blocks) answerer.Answer(IDOK);
        flow::Resume(process);
        if (c.blocks) {
            EXPECT_TRUE(answerer.WaitForBoxes(1, 30000));
        } else {
            HWND dialog = robot::WaitForWindow("UninstallKovara", "Kovara", 30000, process.info.dwProcessId);
            EXPECT_TRUE(dialog != nullptr) << c.value;
            if (dialog) robot::PressButton(dialog, IDCANCEL);
        }
        EXPECT_TRUE(flow::WaitForExit(process)) << c.value;
        flow::Close(process);
        answerer.Finish();
        if (c.blocks) {
            auto boxes = answerer.Boxes();
            ASSERT_EQ(1u, boxes.size());
            ExpectBox(boxes[0], "Uninstall Kovara",
                      "Kovara uninstaller has determined that a vault is still open.\nYou must exit program \"Kovara\" "
                      "before uninstallation.\n\nUninstallation aborted.",
                      MB_ICONWARNING);
        }
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
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
    answerer.Answer(IDNO);  // vault warning: go on
    answerer.Answer(IDOK);  // sub-folders could not be removed
    flow::Resume(process);
    HWND dialog = robot::WaitForWindow("UninstallKovara", "Kovara", 30000, process.info.dwProcessId);
    ASSERT_TRUE(dialog != nullptr);
    robot::PressButton(dialog, IDC_UNINSTALL);
    ASSERT_TRUE(answerer.WaitForBoxes(2, 120000));
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
    ASSERT_EQ(4u, boxes.size());
    ExpectBox(boxes[0], "Kovara - WARNING (Vault Exists)",
              "WARNING!\n----------\nYou have one or more vaults.\nDuring un-installation, the vaults will be "
              "deleted.\n\nOnce deleted, you will lose all data stored in the vault(s).\nClick \"Yes\" to cancel "
              "un-installation.\nClick \"No\" to continue un-installation.\n\nCancel un-installation?",
              MB_ICONERROR);
    ExpectBox(boxes[1], "Error",
              "Uninstallation was done but sub-folders could not be removed.\nYou can remove these manually.",
              MB_ICONINFORMATION);
    ExpectBox(boxes[3], "Uninstall Kovara",
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
             ":Repeat\r\ndel \"%s\"\r\nif exist \"%s\" goto Repeat\r\nrmdir \"%s\"\r\ndel \"%s\"\r\n", self, self,
             folder, "\\DelUS.bat");
    EXPECT_EQ(expected, SelfDeleteBatchText(self, folder));
}

}  // namespace
