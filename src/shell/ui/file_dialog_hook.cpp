#include "shell/ui/file_dialog_hook.h"

#include <commdlg.h>

#include "resources/resource.h"
#include "shell/ui/centre_window.h"

namespace {

// Explorer-style dialogs hand the hook a child of the real dialog.
HWND DialogOf(HWND hook) {
    HWND dialog = GetParent(hook);
    return dialog ? dialog : hook;
}

void Prepare(HWND hook, int iconId) {
    HWND dialog = DialogOf(hook);
    CentreOnScreen(dialog);
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    if (icon) SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SetDlgItemTextA(dialog, IDOK, "Selected");
}

// The dialog may still change its size after the hook's WM_INITDIALOG:
// centre it again once its layout is done.
void CentreWhenLaidOut(HWND hook, UINT message, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR *>(lParam)->code == CDN_INITDONE) CentreOnScreen(DialogOf(hook));
}

}  // namespace

UINT_PTR CALLBACK ChooseFileHook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) Prepare(hook, IDI_CHOOSE_FILE);
    CentreWhenLaidOut(hook, message, lParam);
    return 0;
}

UINT_PTR CALLBACK SaveFileHook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) Prepare(hook, IDI_KOVARA);
    CentreWhenLaidOut(hook, message, lParam);
    return 0;
}
