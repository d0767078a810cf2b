#include "shell/ui/hyperlink.h"

#include <shellapi.h>

namespace {

const char kRecordProperty[] = "KovaraHyperlink";
const int kTextMax = 260;

// One per hyperlink, owned by the control and freed with it.
struct Hyperlink {
    char target[kTextMax + 1];  // empty: the control's own text
    WNDPROC previous;
    COLORREF colour;
    COLORREF visited;
};

// Shared by every hyperlink of the process: the underlined font (made at
// first paint), the hand cursor (made at first use), the pressed flag and the
// text buffer.
struct SharedByLinks {
    HFONT font;
    HCURSOR hand;
    int pressed;
    char text[kTextMax + 1];
} g_links;

HFONT LinkFont() {
    if (!g_links.font) {
        LOGFONTA lf;
        if (GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) == sizeof lf) {
            lf.lfUnderline = TRUE;
            lf.lfHeight += lf.lfHeight / 4;
            g_links.font = CreateFontIndirectA(&lf);
        }
    }
    return g_links.font;
}

void Paint(HWND control, const Hyperlink *link) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(control, &ps);
    if (!dc) return;
    RECT r;
    GetClientRect(control, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    int length = GetWindowTextA(control, g_links.text, kTextMax + 1);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    switch (style & SS_TYPEMASK) {
        case SS_CENTER:
            format |= DT_CENTER;
            break;
        case SS_RIGHT:
            format |= DT_RIGHT;
            break;
        default:
            format |= DT_LEFT;
            break;
    }
    if (style & SS_CENTERIMAGE) format |= DT_VCENTER;
    HFONT font = LinkFont();
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetTextColor(dc, link->colour);
    SetBkColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    DrawTextA(dc, g_links.text, length, &r, format);
    if (old) SelectObject(dc, old);
    EndPaint(control, &ps);
}

void Open(HWND control, const Hyperlink *link) {
    const char *what = link->target;
    if (!*what) {
        GetWindowTextA(control, g_links.text, kTextMax + 1);
        what = g_links.text;
    }
    ShellExecuteA(nullptr, "open", what, nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT CALLBACK HyperlinkProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    Hyperlink *link = static_cast<Hyperlink *>(GetPropA(control, kRecordProperty));
    if (!link) return DefWindowProcA(control, message, wParam, lParam);
    switch (message) {
        case WM_SETTEXT: {
            LRESULT result = CallWindowProcA(link->previous, control, message, wParam, lParam);
            InvalidateRect(control, nullptr, FALSE);
            return result;
        }
        case WM_PAINT:
            Paint(control, link);
            return 0;
        case WM_SETCURSOR:
            if (!g_links.hand) g_links.hand = LoadCursorA(nullptr, IDC_HAND);
            SetCursor(g_links.hand);
            return TRUE;
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_LBUTTONDOWN:
            g_links.pressed = 1;
            return 0;
        case WM_LBUTTONUP:
            if (g_links.pressed) {
                g_links.pressed = 0;
                link->colour = link->visited;
                InvalidateRect(control, nullptr, FALSE);
                UpdateWindow(control);
                Open(control, link);
            }
            return 0;
        case WM_NCDESTROY: {
            WNDPROC previous = link->previous;
            RemovePropA(control, kRecordProperty);
            SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            HeapFree(GetProcessHeap(), 0, link);
            return CallWindowProcA(previous, control, message, wParam, lParam);
        }
    }
    return CallWindowProcA(link->previous, control, message, wParam, lParam);
}

}  // namespace

int MakeHyperlink(HWND dialog, int controlId, const char *target, COLORREF colour) {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) return 1;
    if (Hyperlink *existing = static_cast<Hyperlink *>(GetPropA(control, kRecordProperty))) {
        // Already a link: take the new target and colour, keep the one record.
        lstrcpynA(existing->target, target ? target : "", kTextMax + 1);
        existing->colour = colour == static_cast<COLORREF>(-1) ? RGB(0, 0, 255) : colour;
        InvalidateRect(control, nullptr, FALSE);
        return 1;
    }
    SetWindowLongA(control, GWL_STYLE, GetWindowLongA(control, GWL_STYLE) | SS_NOTIFY);
    Hyperlink *link = static_cast<Hyperlink *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Hyperlink)));
    if (!link) return 1;
    if (target) lstrcpynA(link->target, target, kTextMax + 1);
    link->colour = colour == static_cast<COLORREF>(-1) ? RGB(0, 0, 255) : colour;
    link->visited = RGB(128, 0, 128);
    SetPropA(control, kRecordProperty, link);
    link->previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HyperlinkProc)));
    InvalidateRect(control, nullptr, FALSE);
    return 1;
}
