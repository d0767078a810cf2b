// The two pages of the main window: every page is a set of controls of the
// one template, shown and enabled while the page is up.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "shell/manager/main_window.h"

namespace {

const int kNewUserControls[] = {IDC_NEW_USER_LABEL,  IDC_NEW_USER_NAME,      IDC_NEW_PASSWORD_LABEL, IDC_NEW_PASSWORD,
                                IDC_RECONFIRM_LABEL, IDC_RECONFIRM_PASSWORD, IDC_RECOVERY_QUESTION,  IDC_RECOVERY_YES,
                                IDC_RECOVERY_NO,     IDC_RECOVERY_HELP,      IDC_CREATE_NEXT,        IDC_CREATE_CANCEL,
                                IDC_CREATION_STATUS, IDC_CREATION_PROGRESS};

const int kLogInControls[] = {IDC_LOGIN_INTRO,       IDC_LOGIN_USER_LABEL, IDC_LOGIN_USER,   IDC_LOGIN_PASSWORD_LABEL,
                              IDC_LOGIN_PASSWORD,    IDC_FORGOT_PASSWORD,  IDC_PICK_DRIVE,   IDC_PICK_DRIVE_HELP,
                              IDC_PICKED_DRIVE_TEXT, IDC_LOGIN_OK,         IDC_LOGIN_HELP,   IDC_CREATE_NEW_USER,
                              IDC_USE_BACKUP,        IDC_CHANGE_PASSWORD,  IDC_LOGIN_STATUS, IDC_LOGIN_PROGRESS};

struct ControlSet {
    const int *ids;
    size_t count;
};

template <size_t N>
ControlSet ControlsOf(const int (&ids)[N]) {
    return {ids, N};
}

void ShowControls(HWND window, ControlSet controls, int show) {
    for (size_t k = 0; k < controls.count; ++k) {
        HWND control = GetDlgItem(window, controls.ids[k]);
        ShowWindow(control, show ? SW_SHOW : SW_HIDE);
        if (show) EnableWindow(control, TRUE);
    }
}

void SetUpProgress(HWND window, int id) {
    SendDlgItemMessageA(window, id, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
    SendDlgItemMessageA(window, id, PBM_SETRANGE, 0, MAKELPARAM(0, 20));
    SendDlgItemMessageA(window, id, PBM_SETSTEP, 1, 0);
    SendDlgItemMessageA(window, id, PBM_SETPOS, 0, 0);
}

void ShowPicture(HWND window, int bitmapId) {
    HBITMAP picture = LoadBitmapA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(bitmapId));
    HBITMAP previous = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(window, IDC_PAGE_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    if (previous && previous != picture) DeleteObject(previous);
}

struct Page {
    ControlSet shown, hidden;
    int picture, progress, defaultButton, firstField;
};

// Hides the other page's controls, shows this page's with its picture and a
// cleared progress bar. Enter runs the page's own button, never a hidden one.
void ShowPage(HWND window, const Page &page) {
    ShowControls(window, page.hidden, 0);
    ShowControls(window, page.shown, 1);
    ShowPicture(window, page.picture);
    SetUpProgress(window, page.progress);
    SendMessageA(window, DM_SETDEFID, page.defaultButton, 0);
    SetFocus(GetDlgItem(window, page.firstField));
}

}  // namespace

void ShowNewUserPage(HWND window) {
    ShowPage(window, {ControlsOf(kNewUserControls), ControlsOf(kLogInControls), IDB_NEW_USER, IDC_CREATION_PROGRESS,
                      IDC_CREATE_NEXT, IDC_NEW_USER_NAME});
}

void ShowLogInPage(HWND window) {
    ShowPage(window, {ControlsOf(kLogInControls), ControlsOf(kNewUserControls), IDB_LOG_IN, IDC_LOGIN_PROGRESS,
                      IDC_LOGIN_OK, IDC_LOGIN_USER});
}
