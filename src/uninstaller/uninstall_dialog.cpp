#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include <string>

#include "shared/setup/file_list_view.h"
#include "resources/uninstall_kovara/uninstall_kovara_ids.h"
#include "uninstaller/removal.h"
#include "uninstaller/uninstaller_box.h"

// The uninstaller's dialog; 1 when the removal completed.
int RunUninstallDialog(HINSTANCE instance, const char *programFolder);

namespace {

const char kVaultWarning[] =
    "WARNING!\n----------\nYou have one or more vaults.\nDuring un-installation, the vaults will be deleted.\n\nOnce "
    "deleted, you will lose all data stored in the vault(s).\nClick \"Yes\" to cancel un-installation.\nClick \"No\" "
    "to continue un-installation.\n\nCancel un-installation?";

RemovalJob g_job;
bool g_running = false;

int EndsWithUdf(const char *path) {
    size_t length = strlen(path);
    return length >= 4 && !lstrcmpiA(path + length - 4, ".udf");
}

int ListHoldsVault(HWND list) {
    for (int row = 0; row < FileListCount(list); ++row) {
        char path[MAX_PATH];
        FileListName(list, row, path, sizeof path);
        if (EndsWithUdf(path)) return 1;
    }
    return 0;
}

void StartUninstall(HWND dialog) {
    if (ListHoldsVault(g_job.list) &&
        UninstallerBoxCaption(kVaultWarning, "Kovara - WARNING (Vault Exists)", MB_YESNO | MB_ICONERROR) == IDYES)
        return;
    std::string log = std::string(g_job.programFolder) + "\\uninst.log";
    if (GetFileAttributesA(log.c_str()) == INVALID_FILE_ATTRIBUTES) {
        UninstallerBoxCaption(
            "Installation log file named \"uninst.log\", not found in program folder.\nUninstallation will abort.",
            "Error", MB_OK | MB_ICONWARNING);
        return;
    }
    EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL), FALSE);
    g_running = true;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (!StartRemoval(&g_job)) {
        g_running = false;
        EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL), TRUE);
    }
}

void FinishUninstall(HWND dialog, RemovalOutcome outcome) {
    g_running = false;
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    if (outcome == kRemovalDone) {
        UninstallerBox(
            "Uninstallation completed successfully!\n\nIMPORTANT:\nYou must yourself restart your computer to complete "
            "the uninstallation process.",
            MB_OK | MB_ICONINFORMATION);
        EndDialog(dialog, 1);
        return;
    }
    EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL), TRUE);
    SetDlgItemTextA(
        dialog, IDC_UNINSTALL_STATUS,
        outcome == kRemovalAborted ? "Unistallation aborted." : "Unistallation completed, remove some items manually.");
}

INT_PTR CALLBACK UninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            g_job.dialog = dialog;
            g_job.list = GetDlgItem(dialog, IDC_REMOVE_LIST);
            SetUpFileList(g_job.list, "File(s) that will be removed");
            FillFileList(g_job.list, g_job.programFolder, 1, nullptr, &g_job.overlongFolder);
            SetDlgItemTextA(dialog, IDC_UNINSTALL_STATUS, "Click \"Uninstall\" to begin uninstallation.");
            return TRUE;
        case WM_SETCURSOR:
            if (g_running) {
                SetCursor(LoadCursorA(nullptr, IDC_WAIT));
                SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            break;
        case kRemovalFinished:
            FinishUninstall(dialog, static_cast<RemovalOutcome>(wParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_UNINSTALL:
                    if (!g_running) StartUninstall(dialog);
                    return TRUE;
                case IDCANCEL:
                    // The worker writes to the dialog's controls: it closes only when idle.
                    if (!g_running) EndDialog(dialog, 0);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

int RunUninstallDialog(HINSTANCE instance, const char *programFolder) {
    lstrcpynA(g_job.programFolder, programFolder, MAX_PATH);
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_UNINSTALL_KOVARA), nullptr, UninstallDialogProc, 0) == 1;
}
