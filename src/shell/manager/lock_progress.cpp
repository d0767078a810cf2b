#include "shell/manager/lock_progress.h"

#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"


void SetUpLockProgress(HWND dialog, int progressId) {
    SendDlgItemMessageA(dialog, progressId, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
    SendDlgItemMessageA(dialog, progressId, PBM_SETRANGE, 0, MAKELPARAM(0, 20));
    SendDlgItemMessageA(dialog, progressId, PBM_SETSTEP, 1, 0);
    SendDlgItemMessageA(dialog, progressId, PBM_SETPOS, 0, 0);
}

void ShowLocking(HWND dialog, int progressId, const char *status) {
    SetDlgItemTextA(dialog, IDC_LOCK_STATUS, status);
    for (int i = 0; i < 7; ++i) SendDlgItemMessageA(dialog, progressId, PBM_STEPIT, 0, 0);
    UpdateWindow(dialog);
}
