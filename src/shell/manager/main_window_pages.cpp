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

template <size_t N>
void ShowControls(HWND window, const int (&ids)[N], int show) {
    for (int id : ids) {
        HWND control = GetDlgItem(window, id);
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

}  // namespace

void ShowNewUserPage(HWND window) {
    ShowControls(window, kLogInControls, 0);
    ShowControls(window, kNewUserControls, 1);
    ShowPicture(window, IDB_NEW_USER);
    SetUpProgress(window, IDC_CREATION_PROGRESS);
    // Enter runs the page's own button, never the hidden log-in button.
    SendMessageA(window, DM_SETDEFID, IDC_CREATE_NEXT, 0);
    SetFocus(GetDlgItem(window, IDC_NEW_USER_NAME));
}

void ShowLogInPage(HWND window) {
    ShowControls(window, kNewUserControls, 0);
    ShowControls(window, kLogInControls, 1);
    ShowPicture(window, IDB_LOG_IN);
    SetUpProgress(window, IDC_LOGIN_PROGRESS);
    SendMessageA(window, DM_SETDEFID, IDC_LOGIN_OK, 0);
    SetFocus(GetDlgItem(window, IDC_LOGIN_USER));
}
