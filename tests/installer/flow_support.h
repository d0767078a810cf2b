// Helpers of the installation flow tests: processes, files, registry, shell
// links and devices of the prefix under test.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace flow {

// The distribution folder of the build (KOVARA_DIST); empty when unset.
std::string DistributionFolder();

// Copies every file of one folder into another (created); names in `leaveOut`
// are not copied.
bool CopyFolder(const std::string &from, const std::string &to, const std::vector<std::string> &leaveOut = {});
bool RemoveTree(const std::string &folder);

struct Process {
    PROCESS_INFORMATION info = {};
    bool started = false;
};
// Starts a program suspended (resume it after an answerer watches it).
Process StartSuspended(const std::string &exe, const std::string &folder);
void Resume(Process &process);
// Waits for the end; false on timeout.
bool WaitForExit(Process &process, DWORD timeoutMs = 60000);
void Close(Process &process);

bool Exists(const std::string &path);
bool IsFolder(const std::string &path);
std::string ReadAll(const std::string &path);
bool WriteAll(const std::string &path, const std::string &bytes);
// Waits until the path is gone; false on timeout.
bool WaitUntilGone(const std::string &path, DWORD timeoutMs = 30000);

// Polls the condition every 50 ms until it holds; false on timeout.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs = 30000);

// Wine makes no junction (FSCTL_SET_REPARSE_POINT fails, mklink /J too), but
// shows a Unix symbolic link to a folder as a folder with
// FILE_ATTRIBUTE_REPARSE_POINT: this makes one at `link` pointing to the
// folder `target`, through /bin/ln, and waits until it is seen. Wine follows
// a link to a file (no reparse attribute; DeleteFileA deletes the target), so
// only folder links can stand for junctions.
bool MakeFolderLink(const std::string &link, const std::string &target);
// Removes such a link (not its target) and waits until it is gone.
bool RemoveFolderLink(const std::string &link);

// HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT string value; "<missing>" when absent.
std::string RegString(HKEY root, const char *key, const char *value);
bool RegKeyExists(HKEY root, const char *key);
bool RegSetString(HKEY root, const char *key, const char *value, const char *data);

std::string SpecialFolder(int csidl);

struct Link {
    bool loaded = false;
    std::string target, workingFolder, description, iconPath;
    int iconIndex = -1;
};
// Reads a .lnk file back through IShellLinkA.
Link ReadLink(const std::string &path);

// Number of present devices whose hardware ids hold "Kovdev".
int KovdevDeviceCount();
// A registered device node with hardware id "Kovdev" and no driver yet.
bool CreateBareKovdevDevice();
// The driver's control device opens and answers its status request.
bool DriverAnswers();

// Number of rows of another process's list view.
int ListRows(HWND list);

}  // namespace flow
