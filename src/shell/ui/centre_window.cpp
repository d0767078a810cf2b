#include "shell/ui/centre_window.h"

void CentreOnScreen(HWND window) {
    HDC screen = GetDC(nullptr);
    if (!screen) return;
    int width = GetDeviceCaps(screen, HORZRES);
    int height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    int left = (width - (r.right - r.left)) / 2;
    int top = (height - (r.bottom - r.top)) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
