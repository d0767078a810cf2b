#include "shell/manager/start_up.h"

#include <commctrl.h>
#include <shellapi.h>
#include <string.h>

#include "crypto/win/random_win.h"
#include "maintenance/registry/registry_settings.h"
#include "shared/driver/driver_calls.h"
#include "resources/resource.h"
#include "shell/manager/main_window.h"
#include "shell/manager/my_documents.h"
#include "shell/state/process_state.h"
#include "shell/manager/security_alert_dialog.h"
#include "shell/state/tray_icon.h"
#include "shell/ui/error_box.h"
#include "shell/ui/message_box.h"
#include "shell/manager/vendor.h"
#include "token/operations/registered_tokens.h"
#include "token/operations/token_dialogs.h"
#include "token/operations/token_state.h"

static_assert(sizeof(OSVERSIONINFOEXA) == 156, "extended version record");
static_assert(sizeof(OSVERSIONINFOA) == 148, "basic version record");

namespace {

enum Outcome { kGoOn, kStop };

Outcome CheckOperatingSystem() {
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA *>(&version))) {
        memset(&version, 0, sizeof version);
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA *>(&version))) {
            ShowMessageBox(NULL, "Unable to determine platatform operating system.\nProgram will exit.");
            return kStop;
        }
    }
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT || version.dwMajorVersion < 5) {
        ShowMessageBox(NULL,
                       "This version of Kovara requires Windows 2000, Windows XP or later.\nTo install Kovara on "
                       "other Windows platforms, you can download required version of Kovara from\n" KOVARA_WEB_SITE
                       "\n\nThank you for your interest in Kovara.",
                       kKovaraCaption, MB_OK | MB_ICONINFORMATION);
        return kStop;
    }
    return kGoOn;
}

int FindProgramFolder() {
    char path[MAX_PATH + 1] = "";
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 0;
    char *slash = strrchr(path, '\\');
    if (slash) *slash = '\0';
    memcpy(g_process.programFolder, path, strlen(path) + 1);
    return 1;
}

// 1 when this is the only copy; a second copy starts the companion, which
// asks the first copy to show itself, and stops.
int TakeMutex() {
    g_process.mutex = CreateMutexA(NULL, TRUE, "Kovara");
    DWORD error = GetLastError();
    if (!g_process.mutex && error != ERROR_ACCESS_DENIED) {
        // Without the mutex the installer's probes would not see this copy:
        // it does not run. (Access denied: another user's copy holds it.)
        SystemErrorBox(NULL, "Application experienced unknown system error.\nTry Log In Again.");
        return 0;
    }
    if (g_process.mutex && error != ERROR_ALREADY_EXISTS) return 1;
    char companion[MAX_PATH + 32];
    wsprintfA(companion, "%s\\ShellHelperKO.exe", g_process.programFolder);
    ShellExecuteA(NULL, "open", companion, NULL, NULL, SW_HIDE);
    return 0;
}

Outcome SetUpToken() {
    if (!ReadDefaultToken() && CountRegisteredTokens() == 0) {
        g_token.setupNotCompleted = 1;
        RunSetupTokenDialog(NULL);
        if (g_token.setupNotCompleted) return kStop;
    }
    g_token.authorisationNotCompleted = 1;
    RunTokenAuthorisationDialog(NULL);
    return g_token.authorisationNotCompleted ? kStop : kGoOn;
}

Outcome RepairImproperShutdown() {
    if (DriverReady()) {
        if (OpenVaultPresent()) {
            ShowMessageBox(NULL,
                           "Kovara has detected improper shutdown.\nTo avoid viewing this message, please remember "
                           "to lock your vault upon use.");
            ClearOpenVault();
        }
        return kGoOn;
    }
    char drive[kPathSize] = "";
    if (!ReadOpenVault(drive, sizeof drive) || strlen(drive) != 2 || drive[1] != ':') {
        ShowMessageBox(NULL,
                       "A registry entry for Kovara was found changed outside the program.\n\nKovara driver is either "
                       "in use or is not accessible.\nCheck that the vault may already be open.\n\nYou must restart "
                       "your computer to resolve this problem.");
        return kStop;
    }
    int locked = RunSecurityAlert(drive[0]);
    return locked && g_process.myDocumentsKnown && g_process.fileSystemKind == 2 ? kGoOn : kStop;
}

void DeleteStaleShortcut() {
    if (!g_process.myDocumentsKnown) return;
    if (GetFileAttributesA(g_process.shortcutPath) == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(g_process.shortcutPath, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(g_process.shortcutPath);
}

void LoadResources(HINSTANCE instance) {
    g_process.vaultOpenIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VAULT_OPEN));
    g_process.vaultLockedIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VAULT_LOCKED));
    g_process.applicationIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KOVARA));
    char title[100], windowClass[100];
    LoadStringA(instance, IDS_APP_TITLE, title, sizeof title);
    LoadStringA(instance, IDS_WINDOW_CLASS, windowClass, sizeof windowClass);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
}

int RunMessageLoop(HWND window) {
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int RunVaultManager(HINSTANCE instance) {
    g_process.instance = instance;
    if (CheckOperatingSystem() == kStop) return 0;
    if (!FindProgramFolder()) {
        SystemErrorBox(NULL, "Application experienced unknown system error.\nTry Log In Again.");
        return 1;
    }
    if (!TakeMutex()) return 0;
    if (SetUpToken() == kStop) return 0;
    FindMyDocuments();
    if (RepairImproperShutdown() == kStop) return 0;
    DeleteStaleShortcut();
    if (RandomStart() != 0) {
        ShowMessageBox(NULL, "Kovara experienced error initializing random generator.\nTry Log In Again.");
        return 0;
    }
    LoadResources(instance);
    g_process.vaultRegistered = AnyVaultRegistered();
    g_process.userExists = g_token.holdsKey;

    HWND window = CreateMainWindow(instance, &g_mainWindow);
    if (!window) return 0;
    g_process.mainWindow = window;
    ShowWindow(window, SW_SHOWNORMAL);
    TrayAdd(window, g_process.vaultLockedIcon, kTipVaultLocked);
    return RunMessageLoop(window);
}
