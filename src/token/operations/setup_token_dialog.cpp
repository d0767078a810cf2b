#include <stdlib.h>
#include <string.h>

#include <string>

#include "resources/resource.h"
#include "shell/ui/choose_file.h"
#include "shell/ui/error_box.h"
#include "shell/ui/html_help.h"
#include "shell/ui/hyperlink.h"
#include "shell/ui/wait_cursor.h"
#include "shell/ui/white_dialog.h"
#include "token/operations/registered_tokens.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_message_box.h"
#include "token/operations/token_operations.h"
#include "token/operations/token_state.h"

namespace {

enum { kNameBox = 32, kPathBox = 260 };

struct KnownLibrary {
    int button;
    const char *name;  // registered token name
    const char *file;  // in the system directory
};

// The third name has always been registered with a double m; registrations
// made by earlier installations rely on it.
const KnownLibrary kKnownLibraries[] = {
    {IDC_TOKEN_ETOKEN, "EToken", "\\etpkcs11.dll"},
    {IDC_TOKEN_IKEY, "IKey", "\\K1pk112.dll"},
    {IDC_TOKEN_SCHLUMBERGER, "Schlummberger", "\\slbCk.dll"},
};

const int kOwnLibraryControls[] = {IDC_TOKEN_NAME_LABEL, IDC_TOKEN_PATH_LABEL, IDC_TOKEN_NAME, IDC_TOKEN_LIBRARY_PATH,
                                   IDC_TOKEN_BROWSE};

const char kSupportAddress[] = "mailto:support@kovara.example";

const char kCannotWrite[] =
    "There was error initializing the token.\nEnsure you have permission to write in the "
    "Windows registry, then try again.";

int SystemDirectory(HWND dialog, char directory[MAX_PATH]) {
    UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        SystemErrorBox(dialog, "Call to retrieve the path of the system directory failed.");
        return 0;
    }
    return 1;
}

void EnableOwnLibrary(HWND dialog, BOOL enable) {
    for (int id : kOwnLibraryControls) EnableWindow(GetDlgItem(dialog, id), enable);
}

void OpenHelp(HWND dialog) {
    char folder[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return;
    char *cut = strrchr(folder, '\\');
    if (cut) *cut = 0;
    std::string file = std::string(folder) + "\\Kovara.chm::/Token.htm";
    ShowHtmlHelp(dialog, file.c_str(), 0 /* HH_DISPLAY_TOPIC */, 0);
}

void OnInit(HWND dialog) {
    char system[MAX_PATH];
    if (!SystemDirectory(dialog, system)) return;
    for (const KnownLibrary &known : kKnownLibraries) {
        std::string path = std::string(system) + known.file;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            EnableWindow(GetDlgItem(dialog, known.button), FALSE);
    }
    SendDlgItemMessageA(dialog, IDC_TOKEN_NAME, EM_LIMITTEXT, kNameBox, 0);
    EnableOwnLibrary(dialog, FALSE);
    CheckDlgButton(dialog, IDC_TOKEN_SET_DEFAULT, BST_CHECKED);
    MakeHyperlink(dialog, IDC_TOKEN_SUPPORT_LINK, kSupportAddress, (COLORREF)-1);
}

void OnBrowse(HWND dialog) {
    char system[MAX_PATH];
    if (!SystemDirectory(dialog, system)) return;
    // The file dialog starts in the current directory: the system directory,
    // where token libraries are usually installed, for the length of the choice.
    char previous[MAX_PATH];
    DWORD kept = GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(system);
    char path[MAX_PATH];
    SetChooseFileFilter("Library Files (*.DLL)\0*.DLL\0All Files(*.*)\0*.*\0");
    int chosen = ChooseFile(dialog, "Select Token Library File", 1, ".dll", path);
    if (kept && kept < sizeof previous) SetCurrentDirectoryA(previous);
    SetDlgItemTextA(dialog, IDC_TOKEN_LIBRARY_PATH, chosen ? path : "");
}

// Takes name and path from the checked option; 0 after a message.
int ReadChoice(HWND dialog, const char *system, char name[kNameBox], char path[kPathBox]) {
    for (const KnownLibrary &known : kKnownLibraries) {
        if (IsDlgButtonChecked(dialog, known.button) == BST_CHECKED) {
            lstrcpynA(name, known.name, kNameBox);
            std::string full = std::string(system) + known.file;
            if (full.size() >= kPathBox) return 0;
            lstrcpynA(path, full.c_str(), kPathBox);
            return 1;
        }
    }
    if (IsDlgButtonChecked(dialog, IDC_TOKEN_OWN_LIBRARY) != BST_CHECKED) {
        TokenWarning(dialog,
                     "You must select an option radio button to setup your token, to work with "
                     "Kovara.");
        return 0;
    }
    GetDlgItemTextA(dialog, IDC_TOKEN_NAME, name, kNameBox);
    GetDlgItemTextA(dialog, IDC_TOKEN_LIBRARY_PATH, path, kPathBox);
    static const char kOwn[] = "You have opted to select token name and library path.";
    if (!name[0]) {
        TokenWarning(dialog, std::string(kOwn) + "\nYou must type a name for your token.");
        return 0;
    }
    if (!path[0]) {
        TokenWarning(dialog, std::string(kOwn) +
                                 "\nClick \"Browse\" and select the library file that your token "
                                 "uses.");
        return 0;
    }
    if (lstrcmpiA(name, kDefaultTokenValue) == 0) {
        TokenWarning(dialog,
                     "\"DefaultToken\" cannot be used as a token name."
                     "\nThis is reserved for internal use by software."
                     "\n\nPlease select some other token name.");
        return 0;
    }
    return 1;
}

// Asks before replacing an existing registration; 1 to go on writing.
int MayOverwrite(HWND dialog, HKEY key, const char *name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size <= 1) return 1;
    char *registered = (char *)calloc(1, size + 1);
    if (!registered) {
        TokenWarning(dialog, "There was error initializing the token.\nNot enough system memory.");
        return 0;
    }
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE *)registered, &size) != ERROR_SUCCESS) {
        free(registered);
        TokenWarning(dialog,
                     "There was error initializing the token.\nEnsure you have permission to read "
                     "from the Windows registry, then try again.");
        return 0;
    }
    std::string question = std::string(name) + " has been found to be already registered." +
                           "\nThe registered library for this token is located at:\n" + registered +
                           "\n\nWould you like to overwrite this registred path information?";
    free(registered);
    return TokenQuestion(dialog, question);
}

void OnOk(HWND dialog) {
    WaitCursor wait;
    char system[MAX_PATH];
    if (!SystemDirectory(dialog, system)) return;
    char name[kNameBox] = {0}, path[kPathBox] = {0};
    if (!ReadChoice(dialog, system, name, path)) return;
    Sleep(1000);
    if (!TestTokenLibrary(dialog, name, path)) return;

    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRegisteredTokensKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        TokenWarning(dialog, kCannotWrite);
        return;
    }
    if (!MayOverwrite(dialog, key, name)) {
        RegCloseKey(key);
        return;
    }
    if (RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)path, (DWORD)strlen(path) + 1) != ERROR_SUCCESS) {
        RegCloseKey(key);
        TokenWarning(dialog, kCannotWrite);
        return;
    }
    if (IsDlgButtonChecked(dialog, IDC_TOKEN_SET_DEFAULT) == BST_CHECKED)
        RegSetValueExA(key, kDefaultTokenValue, 0, REG_SZ, (const BYTE *)name, (DWORD)strlen(name) + 1);
    RegCloseKey(key);
    TokenNotice(dialog, "The token was setup successfully!");
    g_token.setupNotCompleted = 0;
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK SetupTokenProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog);
            return TRUE;
        case WM_HELP:
            OpenHelp(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_TOKEN_OWN_LIBRARY:
                    EnableOwnLibrary(dialog, TRUE);
                    return TRUE;
                case IDC_TOKEN_ETOKEN:
                case IDC_TOKEN_IKEY:
                case IDC_TOKEN_SCHLUMBERGER:
                    EnableOwnLibrary(dialog, FALSE);
                    return TRUE;
                case IDC_TOKEN_BROWSE:
                    OnBrowse(dialog);
                    return TRUE;
                case IDC_TOKEN_HELP:
                    OpenHelp(dialog);
                    return TRUE;
                case IDC_TOKEN_OK:
                case IDOK:
                    OnOk(dialog);
                    return TRUE;
                case IDC_TOKEN_CANCEL:
                case IDCANCEL:
                    g_token.setupNotCompleted = 1;
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            g_token.setupNotCompleted = 1;
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return WhiteDialogColours(message, wParam);
    }
}

}  // namespace

void RunSetupTokenDialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETUP_TOKEN), owner, SetupTokenProc, 0);
}
