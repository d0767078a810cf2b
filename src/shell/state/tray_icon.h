// The notification-area icon of the main window (identifier 8081, callback
// WM_USER+1).
#pragma once
#include <windows.h>

enum { kTrayIconId = 8081, kTrayCallbackMessage = WM_USER + 1 };

extern const char kTipVaultOpen[];    // "Kovara - Vault is Open"
extern const char kTipVaultLocked[];  // "Kovara - Vault is Locked"

int TrayAdd(HWND window, HICON icon, const char *tip);
// Only while the icon is shown.
void TrayChange(HICON icon, const char *tip);
void TrayRemove(HWND window);
int TrayShown();
