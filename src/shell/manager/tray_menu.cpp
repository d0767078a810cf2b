// Clicks on the tray icon, the tray menu and its timer.
#include "resources/resource.h"
#include "shell/manager/main_window_parts.h"
#include "shell/state/open_vault.h"
#include "shell/ui/explore_drive.h"

namespace {

const UINT_PTR kMenuTimer = 2;
const UINT kMenuTimerMs = 50;

void RunTrayMenu(HWND window, MainWindowState &state) {
    HMENU menu = LoadMenuA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDM_SYSTRAY));
    if (!menu) return;
    HMENU items = GetSubMenu(menu, 0);
    state.trayMenuUp = 1;
    SetTimer(window, kMenuTimer, kMenuTimerMs, NULL);
    ShowWindow(window, SW_HIDE);
    SetForegroundWindow(window);
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(items, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, NULL);
    state.trayMenuUp = 0;
    DestroyMenu(menu);
}

}  // namespace

void OnTrayCallback(HWND window, MainWindowState &state, LPARAM mouseMessage) {
    // The modal dialogs of a log-in or creation pass keep the message loop
    // running: a lock or an exit from the tray would cut the pass in half.
    if (state.lockAndExitRunning || state.userPassRunning) return;
    switch (mouseMessage) {
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (g_openVault.vaultOpen)
                RunTrayMenu(window, state);
            else
                ShowWindow(window, SW_SHOW);
            break;
        case WM_LBUTTONDBLCLK:
            if (g_openVault.vaultOpen)
                ExploreDrive(g_openVault.driveLetter - 'A');
            else
                ShowWindow(window, SW_SHOW);
            break;
    }
}

void OnTrayMenuTimer(HWND window, MainWindowState &state) {
    if (state.trayMenuUp)
        SetTimer(window, kMenuTimer, kMenuTimerMs, NULL);
    else
        KillTimer(window, kMenuTimer);
}
