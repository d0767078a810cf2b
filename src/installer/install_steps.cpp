#include "installer/install_steps.h"

#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "shared/setup/file_list_view.h"
#include "installer/install_driver.h"
#include "installer/install_registry.h"
#include "installer/install_shortcuts.h"
#include "installer/installer_box.h"
#include "shared/uninst_log/uninst_log.h"
#include "resources/setup_kovara/setup_kovara_ids.h"
#include "shell/ui/system_error_text.h"

namespace {

const char kMissingFiles[] =
    "Missing files.\n\n\nThe installer file may be corrupt.\n\nInstallation aborted.\nDownload a fresh installation "
    "file.";
const char kMissingFilesAtCopy[] =
    "Missing files.\nThe installer file may be corrupt.\n\nInstallation aborted.\nDownload a fresh installation file.";
const char kFolderExists[] =
    "A Kovara directory exists in the selected installation path.\n\nSUGGESTION:\nIf this is a previous unsuccessful "
    "installation, then overwrite.\nIf this is a previous successful installation, then first uninstall.\n\nTo "
    "overwrite click \"Yes\".\nElse click \"No\".";

void Status(InstallDialog *install, const char *text) {
    SetWindowTextA(install->status, text);
    if (install->progress) {
        SendMessageA(install->progress, PBM_STEPIT, 0, 0);
        SendMessageA(install->progress, PBM_STEPIT, 0, 0);
    }
    UpdateWindow(install->dialog);
}

void Refuse(InstallDialog *install, const char *text) { InstallerBox(install->dialog, text, MB_OK | MB_ICONWARNING); }

std::string FieldText(InstallDialog *install, int id) {
    char text[MAX_PATH] = "";
    GetDlgItemTextA(install->dialog, id, text, sizeof text);
    return text;
}

int IsFolder(const char *path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Entries of the folder tree ("." and ".." not counted); *holdsUninstaller
// is set when one of them is named uninstall_kovara.exe. A junction or link
// counts as one entry and is not entered.
int CountEntries(const std::string &folder, int *holdsUninstaller) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) continue;
        ++count;
        if (!lstrcmpiA(found.cFileName, "uninstall_kovara.exe")) *holdsUninstaller = 1;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            count += CountEntries(folder + "\\" + found.cFileName, holdsUninstaller);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

int PrepareProgramFolder(InstallDialog *install, const std::string &programFolder) {
    if (IsFolder(programFolder.c_str())) {
        int holdsUninstaller = 0;
        int count = CountEntries(programFolder, &holdsUninstaller);
        if (count != 0 && !(count == 1 && holdsUninstaller) &&
            InstallerBox(install->dialog, kFolderExists, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return 0;
        return 1;
    }
    if (!CreateDirectoryA(programFolder.c_str(), nullptr)) {
        Refuse(install,
               "Unable to create a directory by the given \"Installation Folder\".\nPlease check your folder creation "
               "permission then try again.");
        return 0;
    }
    return 1;
}

int CreateSubFolders(InstallDialog *install, const std::string &programFolder) {
    const char *names[] = {"Key", "PRF", "Vault"};
    for (const char *name : names) {
        std::string status = std::string("Creating sub-folder named ") + name + "..";
        Status(install, status.c_str());
        std::string folder = programFolder + "\\" + name;
        if (!IsFolder(folder.c_str()) && !CreateDirectoryA(folder.c_str(), nullptr)) {
            Refuse(
                install,
                "Unable to create a sub-folder in the program path.\nPlease check your folder creation permission then "
                "try again.");
            return 0;
        }
    }
    return 1;
}

int CopyProgramFiles(InstallDialog *install, const std::string &programFolder) {
    if (FileListCount(install->list) != kDistributionEntries) {
        Refuse(install, kMissingFilesAtCopy);
        return 0;
    }
    for (int row = 0; row < FileListCount(install->list); ++row) {
        char name[MAX_PATH];
        FileListName(install->list, row, name, sizeof name);
        if (strstr(name, "setup_kovara.exe")) continue;
        std::string source = std::string(install->sourceFolder) + "\\" + name;
        std::string target = programFolder + "\\" + name;
        if (IsFolder(source.c_str())) {
            // A sub-folder of the distribution gets its place before its entries.
            CreateDirectoryA(target.c_str(), nullptr);
            continue;
        }
        Status(install, (std::string("Copying file ") + name).c_str());
        DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
            std::string reason = SystemErrorText(GetLastError());
            SetFileListStatus(install->list, row, "Not Copied");
            char text[1024];
            snprintf(text, sizeof text, "Copying file '%s' has failed.\n %s \nInstallation cannot be completed.", name,
                     reason.c_str());
            Refuse(install, text);
            return 0;
        }
        SetFileListStatus(install->list, row, "Copied");
    }
    return 1;
}

int CopyDriverFile(InstallDialog *install, const std::string &programFolder) {
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, MAX_PATH - 1);
    if (!length || length >= MAX_PATH - 1) {
        InstallerSystemErrorBox(install->dialog,
                                "Installation failed.\nError copying Kovara driver file to Drivers directory.\n");
        return 0;
    }
    std::string target(system);
    if (target.back() != '\\') target += '\\';
    target += "Drivers\\kovdevxp.sys";
    if (!CopyFileA((programFolder + "\\kovdevxp.sys").c_str(), target.c_str(), FALSE)) {
        InstallerSystemErrorBox(install->dialog,
                                "Installation failed.\nError copying Kovara driver file to Drivers directory.\n");
        return 0;
    }
    return 1;
}

int InstallDriver(InstallDialog *install, const std::string &programFolder) {
    std::string inf = programFolder + "\\kovdev.inf";
    if (GetFileAttributesA(inf.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Refuse(
            install,
            "The configuration information file is missing from installer.\nThe installer may be corrupt.\nDownload a "
            "new installer file.");
        return 0;
    }
    if (!InstallKovdevDriver(install->dialog, inf.c_str())) {
        char text[64];
        snprintf(text, sizeof text, "Could not install device driver: %lu", static_cast<unsigned long>(GetLastError()));
        Refuse(install, text);
        return 0;
    }
    return 1;
}

InstallOutcome InstallSteps(InstallDialog *install) {
    if (FileListCount(install->list) != kDistributionEntries) {
        Refuse(install, kMissingFiles);
        return kInstallStopped;
    }
    const std::string path = FieldText(install, IDC_INSTALL_PATH);
    const std::string folderName = FieldText(install, IDC_INSTALL_FOLDER);
    const std::string shortcutName = FieldText(install, IDC_SHORTCUT_NAME);
    if (path.empty()) return Refuse(install, "You must select a Program Installation Path."), kInstallStopped;
    if (folderName.empty()) return Refuse(install, "You must select a Program Installation Folder."), kInstallStopped;
    if (shortcutName.empty()) return Refuse(install, "You must select a Program Shortcut Name."), kInstallStopped;

    Status(install, "Checking program installation path..");
    if (!IsFolder(path.c_str())) {
        Refuse(
            install,
            "Selected Program Installation Path is not accessible.\nSelect some other Installation Path or Try Again.");
        return kInstallStopped;
    }
    const std::string programFolder = path + (path.back() == '\\' ? "" : "\\") + folderName;
    if (programFolder.size() >= MAX_PATH - 32) {
        Refuse(install,
               "Unable to create a directory by the given \"Installation Folder\".\nPlease check your folder creation "
               "permission then try again.");
        return kInstallStopped;
    }

    Status(install, "Creating Program Installation Folder..");
    if (!PrepareProgramFolder(install, programFolder)) return kInstallStopped;
    if (!CreateSubFolders(install, programFolder)) return kInstallStopped;

    Status(install, "Copying files to program folder..");
    if (!CopyProgramFiles(install, programFolder)) return kInstallStopped;

    Status(install, "Copying/registering driver/service files to system folder..");
    if (!CopyDriverFile(install, programFolder)) return kInstallStopped;

    Status(install, "Registering icons..");
    RegisterFileType(programFolder.c_str());

    Status(install, "Creating uninstallation log file..");
    HANDLE log = CreateFileA((programFolder + "\\uninst.log").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
        InstallerBox(
            install->dialog,
            "Unable to create installation log file.\nCheck your file permissions.\n\nInstallation not completed.",
            MB_OK | MB_ICONINFORMATION);
        return kInstallStopped;
    }

    Status(install, "Creating shortcuts for desktop and program group..");
    int shortcutsMade = CreateInstallShortcuts(install->dialog, log, programFolder.c_str(), shortcutName.c_str());
    CloseHandle(log);
    if (!shortcutsMade) return kInstallEnded;

    Status(install, "Registering unistaller with Add/Remove..");
    if (!RegisterUninstaller(programFolder.c_str()))
        Refuse(install, "Could not register application with Add/Remove Programs.");

    Status(install, "Installing Driver..");
    if (!InstallDriver(install, programFolder)) return kInstallStopped;

    switch (RegisterInstallPath(programFolder.c_str())) {
        case kInstallPathNoKey:
            Refuse(install, "Could not create registry key for Kovara.Installation not completed.");
            return kInstallStopped;
        case kInstallPathNoValue:
            Refuse(install, "Could not create registry value for Kovara.Installation not completed.");
            return kInstallStopped;
        case kInstallPathWritten:
            break;
    }

    if (InstallerBoxCaption(
            install->dialog,
            "Congratulations!\nKovara installation completed successfully.\n\nWould you like to run the "
            "program now?",
            "Kovara", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        SetCurrentDirectoryA(programFolder.c_str());
        ShellExecuteA(nullptr, "open", (programFolder + "\\Kovara.exe").c_str(), nullptr, programFolder.c_str(),
                      SW_SHOWNORMAL);
    }
    return kInstallEnded;
}

}  // namespace

InstallOutcome RunInstall(InstallDialog *install) {
    RECT area = {180, 340, 180 + 250, 340 + GetSystemMetrics(SM_CYHSCROLL) + 2};
    install->progress =
        CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD | WS_VISIBLE, area.left, area.top, area.right - area.left,
                        area.bottom - area.top, install->dialog, nullptr, nullptr, nullptr);
    SendMessageA(install->progress, PBM_SETRANGE, 0, MAKELPARAM(0, 50));
    SendMessageA(install->progress, PBM_SETSTEP, 1, 0);
    InstallOutcome outcome = InstallSteps(install);
    if (outcome == kInstallStopped) SetWindowTextA(install->status, " ");
    DestroyWindow(install->progress);
    install->progress = nullptr;
    return outcome;
}
