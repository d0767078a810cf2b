#include "shell/ui/white_dialog.h"

HBRUSH WhiteBrush() {
    static HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
    return brush;
}

INT_PTR WhiteDialogColours(UINT message, WPARAM wParam) {
    if (message == WM_CTLCOLORDLG) return reinterpret_cast<INT_PTR>(WhiteBrush());
    if (message == WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(WhiteBrush());
    }
    return FALSE;
}
