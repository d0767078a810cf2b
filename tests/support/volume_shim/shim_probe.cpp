// Test-bed probe started by the shim tests: asks for a volume lock of drive X
// and exits with 0 when it was granted, else with the system's error number.
//   shim_probe X
#include <windows.h>
#include <winioctl.h>

int main(int argc, char **argv) {
    if (argc != 2 || !argv[1][0]) return 1000;
    char name[] = "\\\\.\\ :";
    name[4] = argv[1][0];
    HANDLE drive = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, NULL);
    if (drive == INVALID_HANDLE_VALUE) return (int)GetLastError();
    DWORD returned = 0;
    int result = DeviceIoControl(drive, FSCTL_LOCK_VOLUME, NULL, 0, NULL, 0, &returned, NULL) ? 0 : (int)GetLastError();
    CloseHandle(drive);
    return result;
}
