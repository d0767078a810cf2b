#include "installer/install_shortcuts.h"

#include <shlobj.h>
#include <string>

#include "installer/installer_box.h"
#include "shared/uninst_log/uninst_log.h"
#include "shared/shell_link/shell_link.h"

namespace {

const char kNotCompletedDesktop[] =
    "Unable to create shortcut on desktop.\nCheck permissons.\n\nInstallation not completed.";
const char kNoPrograms[] = "Unable to add entry to Programs group.\nCheck permissons.\n\nInstallation not completed.";
const char kNoGroup[] =
    "Unable to create program group entry by the given Program Group Name.\nCheck permissons.\n\nInstallation not "
    "completed.";

void SetterFailed(const char *message) { InstallerBox(nullptr, message, MB_OK | MB_ICONWARNING); }

void Log(HANDLE log, UninstLogKind kind, const char *path) {
    std::string record = UninstLogRecord(kind, path);
    DWORD written;
    WriteFile(log, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
}

// Saves the shortcut and logs it when it was made. replace: an existing
// shortcut is deleted first (read-only cleared).
void MakeShortcut(HANDLE log, const std::string &linkPath, const std::string &target, const char *programFolder,
                  const char *description, const char *iconPath, int replace) {
    if (linkPath.empty()) return;
    if (replace && GetFileAttributesA(linkPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(linkPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(linkPath.c_str());
    }
    ShellLinkSpec spec = {};
    spec.target = target.c_str();
    spec.workingFolder = programFolder;
    spec.description = description;
    spec.iconPath = iconPath;
    spec.iconIndex = 0;
    if (SaveShellLink(linkPath.c_str(), &spec, SetterFailed)) Log(log, kUninstLogFile, linkPath.c_str());
}

int FolderPath(int csidl, char path[MAX_PATH]) { return SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? 1 : 0; }

int IsFolder(const char *path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

int CreateInstallShortcuts(HWND owner, HANDLE log, const char *programFolder, const char *shortcutName) {
    const std::string manager = InFolder(programFolder, "Kovara.exe");
    char desktop[MAX_PATH];
    if (!FolderPath(CSIDL_COMMON_DESKTOPDIRECTORY, desktop)) {
        InstallerBox(owner, "Unable retrieve the path of desktop directory.", MB_OK | MB_ICONINFORMATION);
        InstallerBox(owner, kNotCompletedDesktop, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    MakeShortcut(log, InFolder(desktop, "Kovara.lnk"), manager, programFolder, "Kovara", nullptr, 0);

    char programs[MAX_PATH];
    if (!FolderPath(CSIDL_PROGRAMS, programs)) {
        InstallerBox(owner, kNoPrograms, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    const std::string group = InFolder(programs, shortcutName);
    if (group.empty() || (!IsFolder(group.c_str()) && !CreateDirectoryA(group.c_str(), nullptr))) {
        InstallerBox(owner, kNoGroup, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    Log(log, kUninstLogFolder, group.c_str());
    MakeShortcut(log, InFolder(group.c_str(), "Kovara.lnk"), manager, programFolder, "Kovara", nullptr, 1);
    MakeShortcut(log, InFolder(group.c_str(), "Help.lnk"), InFolder(programFolder, "Kovara.chm"), programFolder,
                 "Help Kovara", nullptr, 1);
    MakeShortcut(log, InFolder(group.c_str(), "Uninstall.lnk"), InFolder(programFolder, "uninstall_kovara.exe"),
                 programFolder, "Uninstall Kovara", nullptr, 1);

    char startMenu[MAX_PATH];
    if (FolderPath(CSIDL_COMMON_STARTMENU, startMenu)) {
        const std::string icon = InFolder(programFolder, "udf.ico");
        MakeShortcut(log, InFolder(startMenu, "Kovara.lnk"), InFolder(programFolder, "ShellHelperKO.exe"),
                     programFolder, "Kovara", icon.c_str(), 1);
    }
    return 1;
}
