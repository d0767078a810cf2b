#include "uninstaller/uninstall_kovara.h"

#include <commctrl.h>
#include <string.h>

#include <string>

#include "shared/setup/admin_check.h"
#include "keys/core/path_size.h"
#include "resources/uninstall_kovara/uninstall_kovara_ids.h"
#include "shell/ui/dialog_class.h"
#include "uninstaller/self_delete.h"
#include "uninstaller/uninstaller_box.h"

int RunUninstallDialog(HINSTANCE instance, const char *programFolder);

namespace {

const char kStillRunning[] =
    "Uninstaller has determined that Kovara program is still running.\nYou must exit program \"Kovara\" before "
    "uninstallation.\n\nUninstallation aborted.";
const char kVaultOpen[] =
    "Kovara uninstaller has determined that a vault is still open.\nYou must exit program \"Kovara\" before "
    "uninstallation.\n\nUninstallation aborted.";

int SingleUninstaller(HINSTANCE instance) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "Uninstall Kovara");
    if (!mutex) {
        FatalUninstallBox("Failed to create uninstallation process.");
        return 0;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        FatalUninstallBox("An instance of uninstall is still running.");
        return 0;
    }
    if (!RegisterDialogClass(instance, IDI_UNINSTALL_KOVARA, "UninstallKovara")) {
        FatalUninstallBox("System failed to register UninstallKovara");
        return 0;
    }
    return 1;
}

// The vault manager's mutex exists while it runs; this copy keeps it so that
// no vault manager starts during the removal.
int ManagerNotRunning() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Kovara");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        UninstallerBoxCaption(kStillRunning, "Kovara", MB_OK | MB_ICONWARNING);
        return 0;
    }
    return 1;
}

// OpenVault holding a drive: a letter and a colon, exactly two characters.
int NoVaultOpen() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kovara\\VaultStatus", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 1;
    char value[kPathSize] = "";
    DWORD size = sizeof value - 1, type = 0;
    LONG read = RegQueryValueExA(key, "OpenVault", nullptr, &type, reinterpret_cast<BYTE *>(value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return 1;
    value[size < sizeof value ? size : sizeof value - 1] = '\0';
    if (strlen(value) == 2 && value[1] == ':') {
        UninstallerBox(kVaultOpen, MB_OK | MB_ICONWARNING);
        return 0;
    }
    return 1;
}

// The long form of a folder without a trailing backslash, for comparison.
std::string ComparableFolder(const char *folder) {
    char longForm[MAX_PATH];
    DWORD length = GetLongPathNameA(folder, longForm, MAX_PATH);
    std::string path = length && length < MAX_PATH ? longForm : folder;
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

// The uninstaller empties the folder it was started from. A copy started from
// another folder than the recorded installation would delete whatever lies
// beside it, so it refuses.
int StartedFromInstallation(const char *programFolder) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kovara", 0, KEY_READ, &key) != ERROR_SUCCESS) return 1;
    char installed[MAX_PATH + 1] = "";
    DWORD size = MAX_PATH, type = 0;
    LONG read = RegQueryValueExA(key, "InstallPath", nullptr, &type, reinterpret_cast<BYTE *>(installed), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return 1;
    installed[size <= MAX_PATH ? size : MAX_PATH] = '\0';
    if (!lstrcmpiA(ComparableFolder(installed).c_str(), ComparableFolder(programFolder).c_str())) return 1;
    std::string text = std::string("Kovara is installed in\n") + installed +
                       "\nbut this uninstaller was started from\n" + programFolder +
                       "\n\nRun the uninstaller of the installed folder.\n\nUninstallation aborted.";
    UninstallerBox(text.c_str(), MB_OK | MB_ICONWARNING);
    return 0;
}

}  // namespace

int RunUninstaller(HINSTANCE instance) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        FatalUninstallBox("System failed to report OS Version.");
        return 0;
    }
    if (!SingleUninstaller(instance)) return 0;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && !UserIsAdministrator() &&
        UninstallerBox("To uninstall Kovara you must be an Administrator, do you still want to continue?",
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    if (!ManagerNotRunning() || !NoVaultOpen()) return 0;

    char self[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
    self[length] = '\0';
    char programFolder[MAX_PATH];
    lstrcpynA(programFolder, self, MAX_PATH);
    if (char *slash = strrchr(programFolder, '\\')) *slash = '\0';
    if (!StartedFromInstallation(programFolder)) return 0;

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (RunUninstallDialog(instance, programFolder)) StartSelfDelete(self, programFolder);
    return 0;
}
