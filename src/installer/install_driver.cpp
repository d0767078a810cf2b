#include "installer/install_driver.h"

#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>
#include <stdlib.h>
#include <string.h>

#include "installer/installer_box.h"

namespace {

const char kHardwareId[] = "Kovdev";
// The property is a multi-string of one entry: its double terminating NUL.
const char kHardwareIdList[] = "Kovdev\0";

enum SearchResult { kDeviceFound, kNoDevice, kSearchFailed };

// Shows a refusal and leaves the last error as it was before the box.
void Refuse(HWND owner, const char *text) {
    DWORD error = GetLastError();
    InstallerBox(owner, text, MB_OK | MB_ICONWARNING);
    SetLastError(error);
}

int MultiStringHolds(const char *list, size_t size, const char *wanted) {
    for (size_t at = 0; at < size && list[at];) {
        size_t length = strnlen(list + at, size - at);
        if (length < size - at && !strcmp(list + at, wanted)) return 1;
        at += length + 1;
    }
    return 0;
}

// Looks through every present device of every class for the hardware id.
SearchResult FindKovdevDevice() {
    HDEVINFO devices = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return kSearchFailed;
    SearchResult result = kNoDevice;
    DWORD size = 512;
    char *buffer = static_cast<char *>(malloc(size));
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; buffer; ++index) {
        if (!SetupDiEnumDeviceInfo(devices, index, &device)) {
            if (GetLastError() != ERROR_NO_MORE_ITEMS) result = kSearchFailed;
            break;
        }
        DWORD needed = 0, type = 0;
        while (!SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_HARDWAREID, &type,
                                                  reinterpret_cast<BYTE *>(buffer), size - 2, &needed)) {
            DWORD error = GetLastError();
            if (error == ERROR_INVALID_DATA) {
                needed = 0;
                break;
            }
            if (error != ERROR_INSUFFICIENT_BUFFER || needed <= size - 2) {
                result = kSearchFailed;
                break;
            }
            char *larger = static_cast<char *>(realloc(buffer, needed + 2));
            if (!larger) {
                result = kSearchFailed;
                break;
            }
            buffer = larger;
            size = needed + 2;
        }
        if (result == kSearchFailed) break;
        if (!needed) continue;
        // Two NULs past what was read, so a property without its terminators
        // still ends.
        buffer[needed] = buffer[needed + 1] = '\0';
        if (MultiStringHolds(buffer, needed + 2, kHardwareId)) {
            result = kDeviceFound;
            break;
        }
    }
    if (!buffer) result = kSearchFailed;
    DWORD error = GetLastError();
    free(buffer);
    SetupDiDestroyDeviceInfoList(devices);
    SetLastError(error);
    return result;
}

int UpdateKovdevDriver(const char *infPath) {
    BOOL reboot = FALSE;
    return UpdateDriverForPlugAndPlayDevicesA(nullptr, kHardwareId, infPath, INSTALLFLAG_FORCE, &reboot) ? 1 : 0;
}

// A new device element of the INF's class, registered as a device node, with
// its driver installed; removed again when the driver cannot be installed.
int CreateKovdevDevice(HWND owner, const char *infPath) {
    GUID classGuid;
    char className[MAX_CLASS_NAME_LEN];
    if (!SetupDiGetINFClassA(infPath, &classGuid, className, sizeof className, nullptr)) {
        Refuse(owner, "There was error reading the INF file.");
        return 0;
    }
    HDEVINFO set = SetupDiCreateDeviceInfoList(&classGuid, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        Refuse(owner, "There was error creating the container for the Device Information Element.");
        return 0;
    }
    int installed = 0;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!SetupDiCreateDeviceInfoA(set, className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &device)) {
        Refuse(owner, "There was error creating the Device Information Element.");
    } else if (!SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                                  reinterpret_cast<const BYTE *>(kHardwareIdList),
                                                  sizeof kHardwareIdList)) {
        Refuse(owner, "There was error adding the HardwareId to the Device's HardwareID property.");
    } else if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
        Refuse(owner, "There was error transforming the registry element into actual devnode.");
    } else if (UpdateKovdevDriver(infPath)) {
        installed = 1;
    } else {
        Refuse(owner, "There was error updating driver for the vault device.");
        DWORD error = GetLastError();
        if (!SetupDiCallClassInstaller(DIF_REMOVE, set, &device))
            Refuse(owner, "There was error calling class installer for clean up.");
        SetLastError(error);
    }
    DWORD error = GetLastError();
    if (!SetupDiDestroyDeviceInfoList(set)) Refuse(owner, "There was error cleaning up device information set.");
    SetLastError(error);
    return installed;
}

}  // namespace

int InstallKovdevDriver(HWND owner, const char *infPath) {
    switch (FindKovdevDevice()) {
        case kDeviceFound:
            if (UpdateKovdevDriver(infPath)) return 1;
            Refuse(owner, "There was error installing the plugnplay driver for the vault.");
            return 0;
        case kSearchFailed:
            Refuse(owner, "There was error installing the driver for the vault.");
            return 0;
        case kNoDevice:
        default:
            return CreateKovdevDevice(owner, infPath);
    }
}
