// Test-bed tool: installs, starts and stops the stand-in vault driver's kernel
// service in the Wine prefix.
//   kovdev_service install PATH | start | stop
#include <windows.h>
#include <stdio.h>
#include <string.h>

static const char kService[] = "kovdev";

static bool WaitFor(SC_HANDLE service, DWORD state) {
    SERVICE_STATUS status;
    for (int i = 0; i < 200; ++i) {
        if (QueryServiceStatus(service, &status) && status.dwCurrentState == state) return true;
        Sleep(50);  // the poll interval: a service's state change signals nothing
    }
    return false;
}

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        fprintf(stderr, "service manager: error %lu\n", GetLastError());
        return 1;
    }
    SC_HANDLE service = NULL;
    if (strcmp(argv[1], "install") == 0 && argc == 3) {
        service = CreateServiceA(manager, kService, kService, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                 SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, argv[2], NULL, NULL, NULL, NULL, NULL);
        if (!service && GetLastError() == ERROR_SERVICE_EXISTS)
            service = OpenServiceA(manager, kService, SERVICE_ALL_ACCESS);
    } else {
        // A service just created may take a moment to be known.
        for (int i = 0; i < 50 && !service; ++i) {
            service = OpenServiceA(manager, kService, SERVICE_ALL_ACCESS);
            if (!service) Sleep(100);  // the poll interval of that retry
        }
    }
    if (!service) {
        fprintf(stderr, "%s: open service: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    int rc = 0;
    if (strcmp(argv[1], "start") == 0) {
        // The service manager may be restarting under us: retry a few times.
        rc = 1;
        for (int attempt = 0; attempt < 5 && rc; ++attempt) {
            if (!StartServiceA(service, 0, NULL) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
                fprintf(stderr, "start: error %lu\n", GetLastError());
            else if (!WaitFor(service, SERVICE_RUNNING))
                fprintf(stderr, "start: not running\n");
            else
                rc = 0;
        }
    } else if (strcmp(argv[1], "check") == 0) {
        HANDLE device = CreateFileA("\\\\.\\Kovdev00", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                    OPEN_EXISTING, 0, NULL);
        if (device == INVALID_HANDLE_VALUE) {
            fprintf(stderr, "check: device: error %lu\n", GetLastError());
            rc = 1;
        } else {
            CloseHandle(device);
        }
    } else if (strcmp(argv[1], "stop") == 0) {
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        if (!WaitFor(service, SERVICE_STOPPED)) {
            fprintf(stderr, "stop: not stopped\n");
            rc = 1;
        }
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return rc;
}
