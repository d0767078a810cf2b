#include "uninstaller/remove_links.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shared/uninst_log/uninst_log.h"
#include "uninstaller/uninstaller_box.h"

namespace {

const char kNotRemoved[] = "\nUninstallation was done but shortcuts could not be removed.";

void LogError(const char *text) {
    UninstallerBoxCaption((std::string(text) + kNotRemoved).c_str(), "Error", MB_OK | MB_ICONWARNING);
}

int Exists(const std::string &path, DWORD *attributes) {
    *attributes = GetFileAttributesA(path.c_str());
    return *attributes != INVALID_FILE_ATTRIBUTES;
}

// A folder of the system's as the installer asked for it, without a trailing
// backslash; empty when the system does not report it.
std::string Place(int csidl) {
    char path[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return std::string();
    std::string place(path);
    while (place.size() > 3 && place.back() == '\\') place.pop_back();
    return place;
}

// A program group that is a junction or a link would lead the deletion of
// its shortcuts out of Programs.
bool GroupIsLink(const std::string &path, const UninstLogPlaces &places) {
    std::string folder = path.substr(0, path.rfind('\\'));
    if (!lstrcmpiA(folder.c_str(), places.desktop.c_str()) || !lstrcmpiA(folder.c_str(), places.startMenu.c_str()))
        return false;
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

struct Record {
    std::string path;
    bool folder;
};

// The records the installer could have written; *skipped counts the others.
std::vector<Record> TrustedRecords(const std::vector<UninstLogEntry> &entries, int *skipped) {
    UninstLogPlaces places;
    places.desktop = Place(CSIDL_COMMON_DESKTOPDIRECTORY);
    places.programs = Place(CSIDL_PROGRAMS);
    places.startMenu = Place(CSIDL_COMMON_STARTMENU);
    std::vector<Record> records;
    *skipped = 0;
    for (const UninstLogEntry &entry : entries) {
        std::string path;
        bool folder = entry.kindWord == "Folder";
        if (UninstLogCheck(entry, places, &path) != kUninstLogAccepted || (!folder && GroupIsLink(path, places))) {
            ++*skipped;
            continue;
        }
        records.push_back({path, folder});
    }
    return records;
}

}  // namespace

int RemoveLoggedLinks(const char *programFolder) {
    std::string logPath = std::string(programFolder) + "\\uninst.log";
    DWORD attributes;
    if (!Exists(logPath, &attributes)) {
        LogError("Installation log file named \"uninst.log\", not found in program folder.");
        return 0;
    }
    SetFileAttributesA(logPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        LogError("Installation log file named \"uninst.log\" is not accessible.");
        return 0;
    }
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    if (size.QuadPart == 0) {
        CloseHandle(file);
        LogError("Installation log file named \"uninst.log\" is corrupt.");
        return 0;
    }
    std::vector<char> text;
    bool allocated = size.QuadPart < (1 << 24);
    if (allocated) {
        try {
            text.resize(static_cast<size_t>(size.QuadPart));
        } catch (...) {
            allocated = false;
        }
    }
    if (!allocated) {
        CloseHandle(file);
        LogError("Insufficient memory to complete the task.");
        return 0;
    }
    DWORD read = 0;
    BOOL readOk = ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    if (!readOk || read != text.size()) {
        LogError("Error reading uninst.log file.");
        return 0;
    }

    // Anyone who can write the program folder can write the log, and this runs
    // as an administrator: only shortcuts and the program group are removed,
    // and a record that names anything else leaves the step failed.
    int skipped = 0;
    std::vector<Record> entries = TrustedRecords(UninstLogRead(text.data(), text.size()), &skipped);
    for (const Record &entry : entries) {
        if (entry.folder || !Exists(entry.path, &attributes) || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        SetFileAttributesA(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(entry.path.c_str())) {
            UninstallerBoxCaption(
                "Uninstallation was done but shortcuts and sub-folders could not be removed.\nYou can remove these "
                "manually.",
                "Error", MB_OK | MB_ICONINFORMATION);
            return 0;
        }
    }
    for (const Record &entry : entries) {
        if (!entry.folder || !Exists(entry.path, &attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!RemoveDirectoryA(entry.path.c_str())) {
            UninstallerBoxCaption(
                "Uninstallation was done but sub-folders could not be removed.\nYou can remove these manually.",
                "Error", MB_OK | MB_ICONINFORMATION);
            return 0;
        }
    }
    if (skipped) {
        UninstallerBoxCaption(
            "Uninstallation was done but shortcuts and sub-folders could not be removed.\nYou can remove these "
            "manually.",
            "Error", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    DeleteFileA(logPath.c_str());
    return 1;
}
