#include "token/operations/token_dialogs.h"

// Black text on white, with one brush for the life of the process.
INT_PTR TokenDialogColour(UINT message, WPARAM wParam) {
    static HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    switch (message) {
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            SetTextColor((HDC)wParam, RGB(0, 0, 0));
            SetBkColor((HDC)wParam, RGB(255, 255, 255));
            return (INT_PTR)white;
        default:
            return 0;
    }
}
