// The About box, the "How To Use" window and the two notices of the main
// window: white dialogs with a picture, a link or the open drive.
#include "resources/resource.h"
#include "shell/manager/main_window_parts.h"
#include "shell/state/open_vault.h"
#include "shell/ui/bold_font.h"
#include "shell/ui/explore_drive.h"
#include "shell/ui/hyperlink.h"
#include "shell/ui/message_box.h"
#include "shell/ui/white_dialog.h"
#include "shell/manager/vendor.h"

namespace {

int RunDialog(HWND owner, int templateId, DLGPROC proc) {
    return static_cast<int>(DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(templateId), owner, proc, 0));
}

// OK and Esc close; everything else is drawn white.
INT_PTR CloseOnOkOrCancel(HWND dialog, UINT message, WPARAM wParam) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return WhiteDialogColours(message, wParam);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, KOVARA_EDITION);
        EnlargeBoldFont(dialog, IDC_ABOUT_VERSION);
        MakeHyperlink(dialog, IDC_ABOUT_LINK, KOVARA_WEB_SITE, static_cast<COLORREF>(-1));
        return TRUE;
    }
    return CloseOnOkOrCancel(dialog, message, wParam);
}

INT_PTR CALLBACK HowToUseProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        char path[] = "My Computer\\Kovara (F:)";
        char drive[] = "  (F:)";
        char letter = g_openVault.driveLetter ? g_openVault.driveLetter : 'F';
        path[sizeof path - 4] = letter;
        drive[sizeof drive - 4] = letter;
        SetDlgItemTextA(dialog, IDC_HOW_TO_USE_PATH, path);
        SetDlgItemTextA(dialog, IDC_HOW_TO_USE_DRIVE, drive);
        EnlargeBoldFont(dialog, IDC_HOW_TO_USE_DRIVE);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDC_EXPLORE_VAULT || LOWORD(wParam) == IDCANCEL)) {
        if (g_openVault.vaultOpen) {
            ExploreDrive(g_openVault.driveLetter - 'A');
            EndDialog(dialog, IDOK);
        } else {
            ShowMessageBox(dialog, "You do not have your vault open!", kKovaraCaption, MB_OK | MB_ICONINFORMATION);
        }
        return TRUE;
    }
    return WhiteDialogColours(message, wParam);
}

INT_PTR CALLBACK NoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    return CloseOnOkOrCancel(dialog, message, wParam);
}

INT_PTR CALLBACK VaultLockedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        MakeHyperlink(dialog, IDC_VAULT_LOCKED_LINK, KOVARA_WEB_SITE, static_cast<COLORREF>(-1));
        return TRUE;
    }
    return CloseOnOkOrCancel(dialog, message, wParam);
}

}  // namespace

void RunAboutBox(HWND owner) { RunDialog(owner, IDD_ABOUT, AboutProc); }
void RunHowToUse(HWND owner) { RunDialog(owner, IDD_HOW_TO_USE, HowToUseProc); }
int RunCreateUserNotice(HWND owner) { return RunDialog(owner, IDD_CREATE_USER_NOTICE, NoticeProc) == IDOK; }
void RunVaultLockedNotice(HWND owner) { RunDialog(owner, IDD_VAULT_LOCKED_NOTICE, VaultLockedProc); }
