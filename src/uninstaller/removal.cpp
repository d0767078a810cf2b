#include "uninstaller/removal.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "shared/setup/file_list_view.h"
#include "resources/uninstall_kovara/uninstall_kovara_ids.h"
#include "shell/ui/system_error_text.h"
#include "uninstaller/remove_driver.h"
#include "uninstaller/remove_links.h"
#include "uninstaller/remove_registry.h"
#include "uninstaller/uninstaller_box.h"

namespace {

void Status(const RemovalJob *job, const char *text) { SetDlgItemTextA(job->dialog, IDC_UNINSTALL_STATUS, text); }

void StepResult(const RemovalJob *job, int step, const char *text) {
    HWND label = GetDlgItem(job->dialog, IDC_STEP_RESULT_FIRST + step - 1);
    SetWindowTextA(label, text);
    ShowWindow(label, SW_SHOW);
}

std::string Lower(std::string text) {
    for (char &c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

// Whether a folder between the program folder and the path has become a
// junction or a link since the list was made: the path then leads out of the
// tree and is left alone.
bool ReachedThroughLink(const char *programFolder, const std::string &path) {
    size_t top = strlen(programFolder);
    std::string folder = path.substr(0, path.rfind('\\'));
    while (folder.size() > top) {
        DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
        folder.resize(folder.rfind('\\'));
    }
    return false;
}

// The question after a failed deletion; 1 when the user lets the run go on.
int AskToGoOn(const char *path, DWORD error) {
    std::string reason = SystemErrorText(error);
    char text[1024];
    snprintf(text, sizeof text, "Removing file '%s' has failed. %s Do you want uninstallation to continue?", path,
             reason.c_str());
    return UninstallerBox(text, MB_YESNO | MB_ICONERROR) == IDYES;
}

// 1 when every file is gone or the user let the run go on past a failure.
int DeleteFiles(RemovalJob *job) {
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (!length || length >= MAX_PATH) {
        UninstallerBox(
            "System failed to report on System directory.\nThe driver file cannot be deleted.\nUninstallation will abort.",
            MB_OK | MB_ICONWARNING);
        return 0;
    }
    for (int row = 0; row < FileListCount(job->list); ++row) {
        char path[MAX_PATH];
        FileListName(job->list, row, path, sizeof path);
        if (!*path) continue;
        std::string lower = Lower(path);
        if (lower.find("uninstall_kovara.exe") != std::string::npos || lower.find("uninst.log") != std::string::npos)
            continue;
        DWORD attributes = GetFileAttributesA(path);
        bool link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (folder && !link) continue;
        if (ReachedThroughLink(job->programFolder, path)) {
            SetFileListStatus(job->list, row, "Not Removed");
            continue;
        }
        // A junction or a link goes itself; what it points to is not ours.
        BOOL removed;
        if (link) {
            removed = folder ? RemoveDirectoryA(path) : DeleteFileA(path);
        } else {
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
            removed = DeleteFileA(path);
        }
        if (removed || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND) {
            SetFileListStatus(job->list, row, "Removed");
            continue;
        }
        SetFileListStatus(job->list, row, "Not Removed");
        if (!AskToGoOn(path, GetLastError())) return 0;
    }
    // What the list could not hold stays: the user hears of it as of a file
    // that could not be deleted.
    if (!job->overlongFolder.empty() && !AskToGoOn(job->overlongFolder.c_str(), ERROR_FILENAME_EXCED_RANGE)) return 0;
    std::string driver = std::string(system) + "\\Drivers\\kovdevxp.sys";
    if (GetFileAttributesA(driver.c_str()) != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(driver.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(driver.c_str());
    }
    return 1;
}

int RemoveSubFolders(const char *programFolder) {
    int all = 1;
    for (const char *name : {"Key", "Prf", "Vault"}) {
        std::string folder = std::string(programFolder) + "\\" + name;
        // A folder already gone (a repeated run) counts as removed.
        if (!RemoveDirectoryA(folder.c_str()) && GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) all = 0;
    }
    return all;
}

RemovalOutcome Remove(RemovalJob *job) {
    Status(job, "Unistalling driver..");
    if (!RemoveKovdevDevices(GetDlgItem(job->dialog, IDC_UNINSTALL_STATUS))) {
        StepResult(job, 1, "Not completed");
        Status(job, "Uninstallation aborted.");
        return kRemovalAborted;
    }
    StepResult(job, 1, "Completed");

    Status(job, "Deleting files..");
    if (!DeleteFiles(job)) {
        StepResult(job, 2, "Not completed");
        Status(job, "Uninstallation aborted.");
        return kRemovalAborted;
    }
    StepResult(job, 2, "Completed");

    Status(job, "Removing sub-folders..");
    if (RemoveSubFolders(job->programFolder)) {
        StepResult(job, 3, "Completed");
    } else {
        StepResult(job, 3, "Not Removed");
        Status(job, "Uninstallation continues..");
    }

    Status(job, "Removing registry entries..");
    if (RemoveKovaraRegistry()) {
        StepResult(job, 4, "Completed");
    } else {
        StepResult(job, 4, "Not completed");
        Status(job, "Uninstallation continues..");
    }

    Status(job, "Removing links and short cuts");
    if (!RemoveLoggedLinks(job->programFolder)) {
        StepResult(job, 5, "Not completed");
        Status(job, "Uninstallation completed.");
        return kRemovalLinksFailed;
    }
    StepResult(job, 5, "Completed");
    return kRemovalDone;
}

DWORD WINAPI RemovalThread(LPVOID parameter) {
    RemovalJob *job = static_cast<RemovalJob *>(parameter);
    RemovalOutcome outcome = Remove(job);
    PostMessageA(job->dialog, kRemovalFinished, outcome, 0);
    return 0;
}

}  // namespace

int StartRemoval(RemovalJob *job) {
    HANDLE thread = CreateThread(nullptr, 16 * 1024, RemovalThread, job, 0, nullptr);
    if (!thread) return 0;
    CloseHandle(thread);
    return 1;
}
