#include "shell/manager/main_window.h"

#include <shellapi.h>
#include <string.h>

#include "maintenance/registry/registry_settings.h"
#include "resources/resource.h"
#include "shell/manager/lock_vault.h"
#include "shell/manager/main_window_parts.h"
#include "shell/manager/maintenance_commands.h"
#include "shell/state/open_vault.h"
#include "shell/state/process_state.h"
#include "shell/state/tray_icon.h"
#include "shell/ui/explore_drive.h"
#include "shell/ui/message_box.h"
#include "shell/ui/white_dialog.h"
#include "shell/manager/vendor.h"

MainWindowState g_mainWindow;

namespace {

// A value of OpenVault as a vault's drive: exactly a letter and a colon.
bool IsDriveText(const char *text) { return strlen(text) == 2 && text[1] == ':'; }

void AskAboutStaleVault(HWND window) {
    char drive[kPathSize] = "";
    if (!ReadOpenVault(drive, sizeof drive) || !IsDriveText(drive)) return;
    int answer = ShowMessageBox(
        window,
        "It seems that Kovara was shut down abnormally.\nThis can happen if you force close the program using "
        "Windows Task Manager etc.\n\nKovara has determined that you still have vault open.\nIf you still have vault "
        "open then click \"Yes\" to first lock the vault then log-in again.Else click \"No\" to continue log-in "
        "process.",
        kKovaraCaption, MB_YESNO | MB_ICONWARNING);
    if (answer == IDYES) LockVault(window, drive[0]);
}

void SetUp(HWND window, MainWindowState &state) {
    HICON icon = g_process.applicationIcon ? g_process.applicationIcon
                                           : LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_KOVARA));
    SetClassLongPtrA(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    CheckDlgButton(window, IDC_RECOVERY_NO, BST_CHECKED);
    state.recoveryOption = 2;
    SendDlgItemMessageA(window, IDC_NEW_PASSWORD, EM_LIMITTEXT, 100, 0);
    SendDlgItemMessageA(window, IDC_RECONFIRM_PASSWORD, EM_LIMITTEXT, 100, 0);
    for (int id : {IDC_NEW_PASSWORD, IDC_RECONFIRM_PASSWORD, IDC_LOGIN_PASSWORD})
        SendDlgItemMessageA(window, id, EM_SETPASSWORDCHAR, '*', 0);
    SetUpReminders(window, state);
    if (g_process.vaultRegistered && g_process.userExists) {
        ShowLogInPage(window);
        if (g_openVault.openCount == 0) AskAboutStaleVault(window);
    } else {
        state.noUserYet = 1;
        ShowNewUserPage(window);
    }
}

void AskToExit(HWND window) {
    int answer = ShowMessageBox(window,
                                "Would you like to exit program Kovara?"
                                "\n\nClick \"Yes\" to exit program Kovara."
                                "\nClick \"No\" to minimize to task bar."
                                "\nClick \"Cancel\" to cancel this command.",
                                "Exit Application?", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES)
        SendMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    else if (answer == IDNO)
        PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void OnCompanionRequest(HWND window, const COPYDATASTRUCT *data) {
    if (!data || !data->lpData) return;
    char request[64];
    size_t length = data->cbData < sizeof request - 1 ? data->cbData : sizeof request - 1;
    memcpy(request, data->lpData, length);
    request[length] = '\0';
    if (lstrcmpiA(request, "OpenAndExplorer") != 0) return;
    if (g_openVault.vaultOpen)
        ExploreDrive(g_openVault.driveLetter - 'A');
    else
        ShowWindow(window, SW_SHOW);
}

// The program ends with its main window.
void EndProgram(HWND window) {
    if (TrayShown()) TrayRemove(window);
    for (HICON icon : {g_process.vaultOpenIcon, g_process.vaultLockedIcon, g_process.applicationIcon})
        if (icon) DestroyIcon(icon);
    if (g_process.mutex) {
        ReleaseMutex(g_process.mutex);
        CloseHandle(g_process.mutex);
    }
    PostQuitMessage(0);
    ExitProcess(0);
}

INT_PTR Answer(HWND window, LONG_PTR result) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        MainWindowState *state = reinterpret_cast<MainWindowState *>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        SetUp(window, *state);
        return TRUE;
    }
    MainWindowState *state = MainWindowStateOf(window);
    if (!state) return FALSE;
    switch (message) {
        case WM_COMMAND:
            return RunMainWindowCommand(window, *state, LOWORD(wParam), HIWORD(wParam));
        case WM_CLOSE:
            AskToExit(window);
            return TRUE;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MINIMIZE:
                    ShowWindow(window, SW_MINIMIZE);
                    return TRUE;
                case SC_CLOSE:  // closes as Cancel does
                    return RunMainWindowCommand(window, *state, IDCANCEL, BN_CLICKED);
                case SC_RESTORE:
                    ShowWindow(window, SW_SHOWNORMAL);
                    return FALSE;
            }
            return FALSE;
        case WM_HELP:
            OpenProgramFile("Kovara.chm");
            return TRUE;
        case WM_COPYDATA:
            OnCompanionRequest(window, reinterpret_cast<const COPYDATASTRUCT *>(lParam));
            return Answer(window, TRUE);
        case kTrayCallbackMessage:
            OnTrayCallback(window, *state, lParam);
            return TRUE;
        case WM_TIMER:
            if (wParam == 2) OnTrayMenuTimer(window, *state);
            return TRUE;
        case WM_QUERYENDSESSION:
            return Answer(window, AllowEndOfSession(window, *state));
        case WM_ENDSESSION:
            OnEndOfSession(window, *state, static_cast<BOOL>(wParam));
            return Answer(window, 0);
        case WM_DESTROY:
            EndProgram(window);
            return TRUE;
        default:
            return WhiteDialogColours(message, wParam);
    }
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance, MainWindowState *state) {
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN_WINDOW), NULL, MainWindowProc,
                              reinterpret_cast<LPARAM>(state));
}

MainWindowState *MainWindowStateOf(HWND window) {
    return reinterpret_cast<MainWindowState *>(GetWindowLongPtrA(window, DWLP_USER));
}

void EnterLoggedInState(HWND window, MainWindowState &) {
    ShowWindow(window, SW_HIDE);
    RunHowToUse(window);
    ShowWindow(window, SW_HIDE);
}

void OpenProgramFile(const char *fileName) {
    char path[MAX_PATH + 64];
    wsprintfA(path, "%s\\%s", g_process.programFolder, fileName);
    ShellExecuteA(NULL, "open", path, NULL, NULL, SW_SHOWNORMAL);
}

void OpenVendorPage(const char *page) {
    char address[MAX_PATH];
    wsprintfA(address, "%s%s", KOVARA_WEB_SITE, page);
    ShellExecuteA(NULL, "open", address, NULL, NULL, SW_SHOWNORMAL);
}
