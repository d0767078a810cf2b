#include "shell/ui/bold_font.h"

namespace {

const char kFontProperty[] = "KovaraBoldFont";
const char kProcedureProperty[] = "KovaraBoldFontProc";

// Deletes the control's bold font when the control goes, then passes every
// message on to the control's own procedure.
LRESULT CALLBACK DeleteFontWithControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(control, kProcedureProperty));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        HFONT font = reinterpret_cast<HFONT>(RemovePropA(control, kFontProperty));
        RemovePropA(control, kProcedureProperty);
        LRESULT result = CallWindowProcA(previous, control, message, wParam, lParam);
        if (font) DeleteObject(font);
        return result;
    }
    return CallWindowProcA(previous, control, message, wParam, lParam);
}

}  // namespace

void EnlargeBoldFont(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!control || !font) return;
    LOGFONTA lf;
    if (GetObjectA(font, sizeof lf, &lf) != sizeof lf) return;
    lf.lfWeight = FW_BOLD;
    lf.lfHeight += lf.lfHeight / 4;
    HFONT bold = CreateFontIndirectA(&lf);
    if (!bold) return;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
    HFONT earlier = reinterpret_cast<HFONT>(GetPropA(control, kFontProperty));
    SetPropA(control, kFontProperty, bold);
    if (earlier) {
        DeleteObject(earlier);  // enlarged before: the procedure is already in place
        return;
    }
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DeleteFontWithControl)));
    SetPropA(control, kProcedureProperty, reinterpret_cast<HANDLE>(previous));
}
