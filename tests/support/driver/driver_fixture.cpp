#include "driver_fixture.h"

#include <stdio.h>
#include <string.h>

#include "shared/driver/driver_calls.h"
#include "mount/core/open_request.h"

namespace drivertest {

const unsigned char kVaultKey[32] = {
    0x60, 0x3d, 0xeb, 0x10, 0x15, 0xca, 0x71, 0xbe, 0x2b, 0x73, 0xae, 0xf0, 0x85, 0x7d, 0x77, 0x81,
    0x1f, 0x35, 0x2c, 0x07, 0x3b, 0x61, 0x08, 0xd7, 0x2d, 0x98, 0x10, 0xa3, 0x09, 0x14, 0xdf, 0xf4,
};

bool SetServiceRunning(bool running) {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager) return false;
    SC_HANDLE service = OpenServiceA(manager, "kovdev", SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
    bool done = false;
    if (service) {
        SERVICE_STATUS status;
        if (running)
            StartServiceA(service, 0, NULL);
        else
            ControlService(service, SERVICE_CONTROL_STOP, &status);
        DWORD want = running ? SERVICE_RUNNING : SERVICE_STOPPED;
        for (int i = 0; i < 100 && !done; ++i) {
            done = QueryServiceStatus(service, &status) && status.dwCurrentState == want;
            if (!done) Sleep(50);  // the poll interval: a service's state change signals nothing
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return done;
}

bool Inspect(KovdevInspect *state) {
    HANDLE control = OpenControlDevice();
    if (control == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(control, KOVDEV_IOCTL_INSPECT, NULL, 0, state, sizeof *state, &returned, NULL);
    CloseHandle(control);
    return ok && returned == sizeof *state;
}

static HANDLE OpenReadWriteControl() {
    return CreateFileA(KOVDEV_CONTROL_DEVICE_NAME, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       NULL, OPEN_EXISTING, 0, NULL);
}

static bool SendCount(DWORD code, DWORD count) {
    HANDLE control = OpenReadWriteControl();
    if (control == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(control, code, &count, sizeof count, NULL, 0, &returned, NULL);
    CloseHandle(control);
    return ok != 0;
}

bool SetOpenFiles(DWORD count) { return SendCount(KOVDEV_IOCTL_SET_OPEN_FILES, count); }
bool RefuseDismounts(DWORD count) { return SendCount(KOVDEV_IOCTL_REFUSE_DISMOUNTS, count); }

void ResetDriver(char letter) {
    HANDLE control = OpenReadWriteControl();
    if (control != INVALID_HANDLE_VALUE) {
        DWORD returned;
        DWORD none = 0;
        DeviceIoControl(control, KOVDEV_IOCTL_SET_OPEN_FILES, &none, sizeof none, NULL, 0, &returned, NULL);
        DeviceIoControl(control, KOVDEV_IOCTL_REFUSE_DISMOUNTS, &none, sizeof none, NULL, 0, &returned, NULL);
        DeviceIoControl(control, KOVDEV_IOCTL_RELEASE, NULL, 0, NULL, 0, &returned, NULL);
        DeviceIoControl(control, KOVDEV_IOCTL_VOLUME_UNLOCK, NULL, 0, NULL, 0, &returned, NULL);
        CloseHandle(control);
    }
    if (letter) {
        while (RemoveVaultDrive(letter)) {
        }
    }
}

bool LetterInUse(char letter) { return (GetLogicalDrives() >> (letter - 'A')) & 1; }

char FreeLetter() {
    for (char letter = 'Z'; letter >= 'D'; --letter)
        if (!LetterInUse(letter)) return letter;
    return 0;
}

TempFolder::TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%skovdev-%lu-%lu", base, GetCurrentProcessId(), GetTickCount());
    CreateDirectoryA(name, NULL);
    path = name;
}

TempFolder::~TempFolder() {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((path + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

std::vector<unsigned char> MakeRequest(const std::string &containerPath, char letter, unsigned sizeMb,
                                       size_t *sentLength) {
    std::vector<unsigned char> keyArea(KOVDEV_REQ_HEAD_SIZE, 0);
    OpenRequestAddKey(keyArea.data(), kVaultKey, sizeof kVaultKey);
    std::vector<unsigned char> request(OpenRequestAllocationSize(containerPath.c_str()), 0);
    *sentLength =
        FillOpenRequest(request.data(), request.size(), keyArea.data(), containerPath.c_str(), letter, sizeMb);
    return request;
}

DWORD OpenVaultOn(char letter, const std::string &containerPath, unsigned sizeMb) {
    size_t sent = 0;
    std::vector<unsigned char> request = MakeRequest(containerPath, letter, sizeMb, &sent);
    if (!sent) return ERROR_INVALID_PARAMETER;
    if (!DefineVaultDrive(letter)) return GetLastError();
    HANDLE drive = OpenDriveDevice(letter);
    if (drive == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD error = SendOpenRequest(drive, request.data(), (DWORD)sent) ? 0 : GetLastError();
    CloseHandle(drive);
    return error;
}

long long FileSizeOf(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

void ReleaseEveryVault() {
    ResetDriver(0);
    for (char letter = 'D'; letter <= 'Y'; ++letter) {
        char name[3] = {letter, ':', 0}, target[MAX_PATH] = "";
        if (QueryDosDeviceA(name, target, sizeof target) && strcmp(target, "\\Device\\Kovdev00") == 0)
            ResetDriver(letter);
    }
}

}  // namespace drivertest
