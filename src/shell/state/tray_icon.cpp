#include "shell/state/tray_icon.h"

#include <shellapi.h>
#include <string.h>

const char kTipVaultOpen[] = "Kovara - Vault is Open";
const char kTipVaultLocked[] = "Kovara - Vault is Locked";

// The record is sent in its 488-byte form, understood by Windows 2000 and
// later; the 64-bit build's form is larger by its pointers.
#if defined(__i386__) || defined(_M_IX86)
static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "tray icon record of Windows 2000");
#endif

namespace {

NOTIFYICONDATAA g_tray;
int g_shown;

void SetTip(const char *tip) {
    strncpy(g_tray.szTip, tip, sizeof g_tray.szTip - 1);
    g_tray.szTip[sizeof g_tray.szTip - 1] = '\0';
}

}  // namespace

int TrayAdd(HWND window, HICON icon, const char *tip) {
    memset(&g_tray, 0, sizeof g_tray);
    g_tray.cbSize = NOTIFYICONDATAA_V2_SIZE;
    g_tray.hWnd = window;
    g_tray.uID = kTrayIconId;
    g_tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_tray.uCallbackMessage = kTrayCallbackMessage;
    g_tray.hIcon = icon;
    SetTip(tip);
    g_shown = Shell_NotifyIconA(NIM_ADD, &g_tray) ? 1 : 0;
    return g_shown;
}

void TrayChange(HICON icon, const char *tip) {
    if (!g_shown) return;
    g_tray.hIcon = icon;
    SetTip(tip);
    Shell_NotifyIconA(NIM_MODIFY, &g_tray);
}

void TrayRemove(HWND window) {
    NOTIFYICONDATAA data;
    memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = kTrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &data);
    g_shown = 0;
}

int TrayShown() { return g_shown; }
