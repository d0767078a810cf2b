#include "uninstaller/uninstall_kovara.h"

#include <commctrl.h>
#include <string.h>

#include "installer/admin_check.h"
#include "resources/uninstall_kovara/uninstall_kovara_ids.h"
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
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefDlgProcA;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_UNINSTALL_KOVARA));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "UninstallKovara";
    if (!RegisterClassA(&windowClass)) {
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
    char value[261] = "";
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

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (RunUninstallDialog(instance, programFolder)) StartSelfDelete(self, programFolder);
    return 0;
}
