// Message boxes of the maintenance dialogs: caption "Kovara", system-modal.
#pragma once
#include <windows.h>

void MaintenanceWarning(HWND owner, const char *text);
void MaintenanceNotice(HWND owner, const char *text);
void MaintenanceError(HWND owner, const char *text);
