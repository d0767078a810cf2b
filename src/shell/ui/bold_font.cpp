#include "shell/ui/bold_font.h"

void EnlargeBoldFont(HWND dialog, int controlId) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!font) return;
    LOGFONTA lf;
    if (GetObjectA(font, sizeof lf, &lf) != sizeof lf) return;
    lf.lfWeight = FW_BOLD;
    lf.lfHeight += lf.lfHeight / 4;
    HFONT bold = CreateFontIndirectA(&lf);
    if (!bold) return;
    // The font stays with the control for the life of the dialog.
    SendDlgItemMessageA(dialog, controlId, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
}
