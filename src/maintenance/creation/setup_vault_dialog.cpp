#include "maintenance/creation/setup_vault_dialog.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "shell/ui/choose_folder.h"
#include "shell/ui/message_box.h"
#include "maintenance/creation/free_space.h"
#include "resources/resource.h"
#include "shell/ui/white_dialog.h"

namespace {

const unsigned long long kMiB = 1048576ull;
const unsigned kSmallestVaultMb = 5;
const unsigned kLargeVaultMb = 2000;

struct SetupState {
    const char *programFolder;
    const char *userName;
    VaultChoice *choice;
    FreeSpaceQuery freeSpace;
    unsigned long long freeBytes;
};

std::string WithBackslash(const std::string &folder) {
    return (!folder.empty() && folder.back() == '\\') ? folder : folder + "\\";
}

std::string Field(HWND dialog, int id, int limit) {
    char text[kPathSize] = "";
    GetDlgItemTextA(dialog, id, text, limit < (int)sizeof text ? limit : (int)sizeof text);
    return text;
}

bool NameIsPlain(const std::string &name) {
    for (unsigned char c : name)
        if (!isalnum(c) && c != '_') return false;
    return true;
}

void Close(HWND dialog, SetupState *state, int result) {
    state->choice->cancelled = result != 1;
    EndDialog(dialog, result);
}

BOOL Open(HWND dialog, SetupState *state) {
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)state);
    SendDlgItemMessageA(dialog, IDC_VAULT_SIZE, EM_LIMITTEXT, 5, 0);
    SendDlgItemMessageA(dialog, IDC_VAULT_NAME, EM_LIMITTEXT, 50, 0);
    std::string location = WithBackslash(state->programFolder) + "Vault";
    SetDlgItemTextA(dialog, IDC_VAULT_LOCATION, location.c_str());
    SetDlgItemTextA(dialog, IDC_VAULT_SIZE, "256");
    SetDlgItemTextA(dialog, IDC_VAULT_NAME, (std::string("Kovara_") + state->userName).c_str());

    if (!state->freeSpace(state->programFolder, &state->freeBytes)) {
        ShowMessageBox(dialog, "Error reading available free space on disk.");
        Close(dialog, state, 2);
        return TRUE;
    }
    SetDlgItemTextA(dialog, IDC_VAULT_FREE_SPACE, FreeSpaceLine(state->freeBytes).c_str());
    return TRUE;
}

void Browse(HWND dialog, SetupState *state) {
    char folder[MAX_PATH];
    if (!ChooseFolder(dialog, "Select Vault Location:", folder) || strlen(folder) <= 1) return;
    NormaliseBrowsedFolder(folder, sizeof folder);
    unsigned long long freeBytes = 0;
    if (!state->freeSpace(folder, &freeBytes)) {
        ShowMessageBox(dialog, "Error reading available free space on selected disk.");
        return;
    }
    state->freeBytes = freeBytes;
    SetDlgItemTextA(dialog, IDC_VAULT_LOCATION, folder);
    SetDlgItemTextA(dialog, IDC_VAULT_FREE_SPACE, FreeSpaceLine(freeBytes).c_str());
}

void Next(HWND dialog, SetupState *state) {
    std::string location = Field(dialog, IDC_VAULT_LOCATION, kPathSize);
    std::string size = Field(dialog, IDC_VAULT_SIZE, 6);
    std::string name = Field(dialog, IDC_VAULT_NAME, 51);
    if (location.empty() || size.empty() || name.empty()) {
        ShowMessageBox(dialog, "All fields must be entered.");
        return;
    }
    if (!NameIsPlain(name)) {
        ShowMessageBox(dialog, "Name for your vault can contain only alpha-numeric characters and underscores (_).");
        return;
    }
    unsigned sizeMb = (unsigned)strtoul(size.c_str(), NULL, 10);
    if (sizeMb > kLargeVaultMb &&
        ShowMessageBox(dialog, "You have selected to create a large size vault (Above 2 GB).\nAre you sure?",
                       "Kovara - Vault Size Reminder", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (sizeMb < kSmallestVaultMb) {
        ShowMessageBox(dialog, "Vault size cannot be smaller than 5 MB.");
        return;
    }
    if ((unsigned long long)sizeMb * kMiB > state->freeBytes) {
        ShowMessageBox(dialog, "There is not enough space to create vault of requested size.");
        return;
    }
    std::string path = WithBackslash(location) + name + ".udf";
    if (path.size() >= kPathSize) {
        ShowMessageBox(dialog, "The name of selected Vault Location exceeds file name size for Windows.");
        return;
    }
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ShowMessageBox(dialog, "A vault exists by the selected name.\nSelect some other Vault Name.");
        return;
    }
    std::string question = "You have selected a create a new vault:\n\nVault Location: " + location +
                           "\nVault Name: " + name + "\nVault Size: " + size + " MB.\n\nClick \"Yes\" to reconfirm.";
    if (ShowMessageBox(dialog, question.c_str(), kKovaraCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    strcpy(state->choice->containerPath, path.c_str());
    state->choice->sizeMb = sizeMb;
    Close(dialog, state, 1);
}

INT_PTR CALLBACK SetupVaultProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    SetupState *state = (SetupState *)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
        case WM_INITDIALOG:
            return Open(dialog, (SetupState *)lParam);
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_VAULT_BROWSE:
                    Browse(dialog, state);
                    return TRUE;
                case IDOK:
                    Next(dialog, state);
                    return TRUE;
                case IDCANCEL:
                    Close(dialog, state, 2);
                    return TRUE;
            }
            return FALSE;
    }
    return WhiteDialogColours(message, wParam);
}

}  // namespace

void NormaliseBrowsedFolder(char *folder, size_t size) {
    size_t length = strlen(folder);
    if (folder[0] == '\\' && length && folder[length - 1] != '\\' && length + 1 < size) strcat(folder, "\\");
}

int RunSetupVaultDialog(HWND owner, const char *programFolder, const char *userName, VaultChoice *choice,
                        FreeSpaceQuery freeSpace) {
    SetupState state = {programFolder, userName, choice, freeSpace, 0};
    choice->cancelled = 1;
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_SETUP_VAULT), owner, SetupVaultProc,
                                     (LPARAM)&state);
    if (result != 1) {
        choice->cancelled = 1;
        return 2;
    }
    return 1;
}
