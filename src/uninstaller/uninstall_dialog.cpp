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

// The run of one dialog: the removal job and whether its worker is running.
struct UninstallRun {
    RemovalJob job;
    bool running;
};

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

void StartUninstall(HWND dialog, UninstallRun *run) {
    if (ListHoldsVault(run->job.list) &&
        UninstallerBoxCaption(kVaultWarning, "Kovara - WARNING (Vault Exists)", MB_YESNO | MB_ICONERROR) == IDYES)
        return;
    std::string log = std::string(run->job.programFolder) + "\\uninst.log";
    if (GetFileAttributesA(log.c_str()) == INVALID_FILE_ATTRIBUTES) {
        UninstallerBoxCaption(
            "Installation log file named \"uninst.log\", not found in program folder.\nUninstallation will abort.",
            "Error", MB_OK | MB_ICONWARNING);
        return;
    }
    EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL), FALSE);
    run->running = true;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (!StartRemoval(&run->job)) {
        run->running = false;
        EnableWindow(GetDlgItem(dialog, IDC_UNINSTALL), TRUE);
    }
}

void FinishUninstall(HWND dialog, UninstallRun *run, RemovalOutcome outcome) {
    run->running = false;
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
    auto *run = reinterpret_cast<UninstallRun *>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            run = reinterpret_cast<UninstallRun *>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            run->job.dialog = dialog;
            run->job.list = GetDlgItem(dialog, IDC_REMOVE_LIST);
            SetUpFileList(run->job.list, "File(s) that will be removed");
            FillFileList(run->job.list, run->job.programFolder, 1, nullptr, &run->job.overlongFolder);
            SetDlgItemTextA(dialog, IDC_UNINSTALL_STATUS, "Click \"Uninstall\" to begin uninstallation.");
            return TRUE;
        case WM_SETCURSOR:
            // Sent before WM_INITDIALOG too, when the run is not yet known.
            if (run && run->running) {
                SetCursor(LoadCursorA(nullptr, IDC_WAIT));
                SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            break;
        case kRemovalFinished:
            FinishUninstall(dialog, run, static_cast<RemovalOutcome>(wParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_UNINSTALL:
                    if (!run->running) StartUninstall(dialog, run);
                    return TRUE;
                case IDCANCEL:
                    // The worker writes to the dialog's controls: it closes only when idle.
                    if (!run->running) EndDialog(dialog, 0);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

int RunUninstallDialog(HINSTANCE instance, const char *programFolder) {
    UninstallRun run = {};
    lstrcpynA(run.job.programFolder, programFolder, MAX_PATH);
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_UNINSTALL_KOVARA), nullptr, UninstallDialogProc,
                           reinterpret_cast<LPARAM>(&run)) == 1;
}
