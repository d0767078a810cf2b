#include "installer/setup_kovara.h"

#include <commctrl.h>
#include <string>

#include "shared/setup/admin_check.h"
#include "installer/install_registry.h"
#include "installer/installer_box.h"
#include "shared/driver/driver_calls.h"
#include "resources/setup_kovara/setup_kovara_ids.h"
#include "shell/ui/dialog_class.h"

INT_PTR RunInstallDialog(HINSTANCE instance);

namespace {

const char kVendorAddress[] = "http://www.kovara.example/";
const char kSupportAddress[] = "support@kovara.example";
const char kCannotStart[] = "Unable to instantiate Kovara installation process.";

int PlatformSupported() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        InstallerSystemErrorBox(nullptr, "System failed to report on platform version.\n");
        return 0;
    }
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT || version.dwMajorVersion < 5) {
        std::string text =
            std::string(
                "This version of Kovara requires Windows 2000, Windows XP or later.\nTo install Kovara on "
                "other Windows platforms,\nyou can download required version of Kovara from\n") +
            kVendorAddress + "\n\nThank you for your interest in Kovara.";
        InstallerBox(nullptr, text.c_str(), MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    return 1;
}

int ManagerNotRunning() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Kovara");
    if (!mutex) {
        InstallerBox(nullptr, kCannotStart, MB_OK | MB_ICONWARNING);
        return 0;
    }
    int running = GetLastError() == ERROR_ALREADY_EXISTS;
    CloseHandle(mutex);
    if (running)
        InstallerBox(nullptr,
                     "An previous installation of Kovara is still running.\nIf you would like to re-install, first "
                     "uninstall the previous installation",
                     MB_OK | MB_ICONWARNING);
    return !running;
}

int NotInstalled() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kovara", 0, KEY_READ, &key) != ERROR_SUCCESS) return 1;
    RegCloseKey(key);
    std::string text = std::string(
                           "Kovara found installed on this system!\n\nTo update, download update program.\nTo "
                           "re-install, first uninstall the previous installation.\n\nYou may contact ") +
                       kSupportAddress + " for any questions that you may have.";
    InstallerBox(nullptr, text.c_str(), MB_OK | MB_ICONINFORMATION);
    return 0;
}

int DriverNotLoaded() {
    HANDLE device = OpenControlDevice();
    if (device == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(device);
    InstallerBox(nullptr,
                 "Kovara driver was found in Windows memory.\n\nIf you un-installed a previous installation of "
                 "Kovara,\nthen you must restart your computer before installation.",
                 MB_OK | MB_ICONWARNING);
    return 0;
}

int AdministratorOrAgreed() {
    if (UserIsAdministrator()) return 1;
    return InstallerBox(nullptr,
                        "To successfully install Kovara on Windows XP you must be an Administrator.\nDo you still want "
                        "installation to continue?",
                        MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The installer's own mutex (held for the whole run) and window class.
int SingleInstaller(HINSTANCE instance) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "InstallKovara");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        InstallerBox(nullptr, "An instance of Kovara installer is still running.", MB_OK | MB_ICONWARNING);
        return 0;
    }
    if (!mutex || !RegisterDialogClass(instance, IDI_SETUP_KOVARA, "InstallKovara")) {
        InstallerBox(nullptr, kCannotStart, MB_OK | MB_ICONWARNING);
        return 0;
    }
    return 1;
}

}  // namespace

int RunInstaller(HINSTANCE instance) {
    if (!PlatformSupported() || !ManagerNotRunning() || !NotInstalled() || !DriverNotLoaded()) return 0;
    DeleteDriverRunOnce();
    if (!AdministratorOrAgreed() || !SingleInstaller(instance)) return 0;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    RunInstallDialog(instance);
    return 0;
}
