#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>

#include "shared/setup/file_list_view.h"
#include "installer/install_steps.h"
#include "installer/installer_box.h"
#include "installer/setup_kovara.h"
#include "resources/setup_kovara/setup_kovara_ids.h"

// The "Install Kovara" dialog.
INT_PTR RunInstallDialog(HINSTANCE instance);

namespace {

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM param, LPARAM) {
    if (message == BFFM_INITIALIZED) {
        char current[MAX_PATH];
        if (GetCurrentDirectoryA(MAX_PATH, current))
            SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(current));
    } else if (message == BFFM_SELCHANGED) {
        char path[MAX_PATH] = "";
        SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(param), path);
        SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}

void Browse(HWND dialog) {
    IMalloc *malloc = nullptr;
    if (FAILED(SHGetMalloc(&malloc))) {
        InstallerBox(dialog, "Insufficient memory reported by the system.\nInstallation aborted.",
                     MB_OK | MB_ICONWARNING);
        return;
    }
    BROWSEINFOA browse = {};
    char display[MAX_PATH];
    browse.hwndOwner = dialog;
    browse.pszDisplayName = display;
    browse.lpszTitle = "Select Program Installation Path";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    browse.lpfn = BrowseCallback;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    if (chosen) {
        char path[MAX_PATH];
        if (SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(dialog, IDC_INSTALL_PATH, path);
        malloc->Free(chosen);
    }
    malloc->Release();
}

void InitDialog(HWND dialog, InstallDialog *install) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(install));
    install->dialog = dialog;
    install->list = GetDlgItem(dialog, IDC_FILE_LIST);
    install->status = GetDlgItem(dialog, IDC_INSTALL_STATUS);
    install->progress = nullptr;

    char windows[MAX_PATH] = "C:\\";
    char path[MAX_PATH] = "C:\\Program Files";
    if (GetWindowsDirectoryA(windows, MAX_PATH) && windows[0] && windows[1] == ':') {
        path[0] = windows[0];
    }
    SetDlgItemTextA(dialog, IDC_INSTALL_PATH, path);
    SetDlgItemTextA(dialog, IDC_INSTALL_FOLDER, "Kovara");
    SetDlgItemTextA(dialog, IDC_SHORTCUT_NAME, "Kovara");

    char self[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
    self[length] = '\0';
    strcpy(install->sourceFolder, self);
    char *slash = strrchr(install->sourceFolder, '\\');
    if (slash) *slash = '\0';
    SetUpFileList(install->list, "File(s) that will be installed");
    FillFileList(install->list, install->sourceFolder, 0, slash ? slash + 1 - install->sourceFolder + self : self);
    SetWindowTextA(install->status, "Click \"Install\" to begin installation.");
}

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto *install = reinterpret_cast<InstallDialog *>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(dialog, reinterpret_cast<InstallDialog *>(lParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_INSTALL:
                    EnableWindow(GetDlgItem(dialog, IDC_INSTALL), FALSE);
                    if (RunInstall(install) == kInstallEnded) {
                        EndDialog(dialog, IDOK);
                    } else {
                        EnableWindow(GetDlgItem(dialog, IDC_INSTALL), TRUE);
                    }
                    return TRUE;
                case IDC_BROWSE:
                    Browse(dialog);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

INT_PTR RunInstallDialog(HINSTANCE instance) {
    InstallDialog install = {};
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_INSTALL_KOVARA), nullptr, InstallDialogProc,
                           reinterpret_cast<LPARAM>(&install));
}
