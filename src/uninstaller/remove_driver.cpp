#include "uninstaller/remove_driver.h"

#include <setupapi.h>

#include <string>

#include "shell/ui/system_error_text.h"
#include "uninstaller/uninstaller_box.h"

namespace {

const GUID kKovdevClass = {0x13B08C99, 0x0084, 0x4408, {0xBC, 0xAB, 0x0A, 0x70, 0xC9, 0x30, 0x5C, 0x10}};

// The message with the system's text for the error, when it has one.
void Refuse(const char *text, DWORD error) {
    std::string reason = SystemErrorText(error);
    std::string shown(text);
    if (!reason.empty()) shown += "\n\n\nERROR:\n" + reason;
    UninstallerBoxCaption(shown.c_str(), "Kovara", MB_OK | MB_ICONWARNING);
}

void Stage(HWND statusLine, const char *stage) {
    SetWindowTextA(statusLine, (std::string("Unistalling driver: Stage ") + stage).c_str());
}

}  // namespace

int RemoveKovdevDevices(HWND statusLine) {
    Stage(statusLine, "1");
    HDEVINFO devices = SetupDiGetClassDevsA(&kKovdevClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_PROFILE);
    if (devices == INVALID_HANDLE_VALUE) {
        Refuse("Failed to retrieve information about installed Kovara devices.\nUninstallation aborted.",
               GetLastError());
        return 0;
    }
    Stage(statusLine, "2");
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    int removed = 1;
    DWORD index = 0;
    // Kept at once: the status line is written across threads, which can change the last error.
    DWORD enumerationEnd = ERROR_SUCCESS;
    for (;; ++index) {
        if (!SetupDiEnumDeviceInfo(devices, index, &device)) {
            enumerationEnd = GetLastError();
            break;
        }
        Stage(statusLine, "3");
        if (!SetupDiCallClassInstaller(DIF_REMOVE, devices, &device)) {
            DWORD error = GetLastError();
            Stage(statusLine, "3a");
            Refuse("Failed to load device setup class installer.\nUninstallation aborted.", error);
            removed = 0;
            break;
        }
        Stage(statusLine, "4");
        SP_DEVINSTALL_PARAMS_A parameters = {};
        parameters.cbSize = sizeof parameters;
        SetupDiGetDeviceInstallParamsA(devices, &device, &parameters);
    }
    if (removed) {
        Stage(statusLine, "5");
        if (enumerationEnd != ERROR_NO_MORE_ITEMS) {
            Refuse("Unable to retrieve information about Kovara device.\nUninstallation aborted.", enumerationEnd);
            removed = 0;
        }
    }
    if (removed) Stage(statusLine, "6");
    SetupDiDestroyDeviceInfoList(devices);
    if (removed) Stage(statusLine, "7");
    return removed;
}
