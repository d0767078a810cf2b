#include "maintenance/maintenance_box.h"

void MaintenanceWarning(HWND owner, const char *text) {
  MessageBoxA(owner, text, "Kovara", MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
}

void MaintenanceNotice(HWND owner, const char *text) {
  MessageBoxA(owner, text, "Kovara", MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL);
}

void MaintenanceError(HWND owner, const char *text) {
  MessageBoxA(owner, text, "Kovara", MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
}
