// Guided tour of the vault manager for a machine without a display: starts
// Kovara.exe in the prepared prefix and walks it, with the robot, from the
// token set-up through the creation of the demo user on the new-user page
// (Setup Your Vault, Vault Created, the backup), the lock and a new start, the
// log-in of the demo user, How To Use and the tray menu to the lock and the
// end of the program. Each step prints one line with its screenshot; the
// first step that fails ends the tour with exit code 1.
//   kovara_tour tour PROGRAM_FOLDER USER PASSWORD TOKEN_PASSWORD
//   kovara_tour start PROGRAM_FOLDER    (only starts the program, for a person)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "robot.h"
#include "volume_shim.h"

namespace {

constexpr DWORD kStepWaitMs = 60000;
constexpr UINT kTrayCallback = WM_USER + 1;
constexpr UINT kTrayIconId = 8081;
constexpr WORD kLockAndExit = 32916;
constexpr int kHowToUseExplore = 1451;
constexpr int kHowToUseDrive = 1450;

struct Tour {
    std::string folder, user, password, tokenPassword;
    PROCESS_INFORMATION manager = {};
    HWND mainWindow = nullptr;
    char drive = 0;  // letter of the open vault, from How To Use
    int step = 0;
    std::string problem;  // why the current step failed
};

std::string ShotPath(const std::string &name) {
    const char *folder = std::getenv("KOVARA_SCREENSHOTS");
    return folder ? std::string(folder) + "/" + name + ".png" : "(no screenshots in this session)";
}

DWORD ProcessOf(HWND window);

BOOL CALLBACK PaintIfShown(HWND window, LPARAM process) {
    if (IsWindowVisible(window) && ProcessOf(window) == (DWORD)process) robot::WaitForPainted(window, 5000);
    return TRUE;
}

// A screenshot named after the step, once every shown window of the manager
// (and `also`, a window of another process) has drawn itself; the path of
// the picture.
std::string Shoot(Tour &tour, const std::string &what, HWND also = nullptr) {
    EnumWindows(PaintIfShown, (LPARAM)tour.manager.dwProcessId);
    if (also) robot::WaitForPainted(also, 5000);
    char name[96];
    std::snprintf(name, sizeof name, "%02d-%s", tour.step, what.c_str());
    robot::Screenshot(name);
    return ShotPath(name);
}

DWORD ProcessOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

struct Search {
    DWORD process;
    std::function<bool(HWND)> match;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
    auto *search = reinterpret_cast<Search *>(param);
    if (search->process && ProcessOf(window) != search->process) return TRUE;
    if (!search->match(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(DWORD process, std::function<bool(HWND)> match) {
    Search search = {process, std::move(match), nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsDialogWith(HWND window, int controlId) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    return std::string(className) == "#32770" && GetDlgItem(window, controlId) != nullptr;
}

int ButtonWithText(HWND dialog, const char *text) {
    for (int id : robot::ButtonIds(dialog))
        if (robot::ControlText(dialog, id) == text) return id;
    return 0;
}

void Click(HWND dialog, int controlId) { PostMessageA(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0); }

// Waits for a window of the manager's process; a message box that turns up
// meanwhile is shown as a line of its own and answered (OK, else No, else
// Cancel), since the tour goes on past notices.
HWND WaitFor(Tour &tour, std::function<bool(HWND)> match, DWORD timeoutMs = kStepWaitMs) {
    DWORD process = tour.manager.dwProcessId;
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        HWND found = FindTopLevel(process, [&](HWND w) { return IsWindowVisible(w) && match(w); });
        if (found) return found;
        HWND box = FindTopLevel(process, [](HWND w) { return IsWindowVisible(w) && robot::IsMessageBox(w); });
        if (box && !match(box)) {
            robot::Box seen = robot::ReadBox(box);
            std::string shot = Shoot(tour, "box");
            std::string text = seen.text;
            for (char &c : text)
                if (c == '\n') c = ' ';
            std::printf("    box \"%s\": %s  %s\n", seen.caption.c_str(), text.c_str(), shot.c_str());
            int answer = 0;
            for (int b : {IDOK, IDNO, IDCANCEL})
                for (int have : seen.buttons)
                    if (!answer && have == b) answer = b;
            robot::PressButton(box, answer ? answer : IDCANCEL);
            robot::WaitForClose(box, 10000);
        }
        if (WaitForSingleObject(tour.manager.hProcess, 100) == WAIT_OBJECT_0) {
            tour.problem = "Kovara.exe ended";
            return nullptr;
        }
    }
    tour.problem = "nothing appeared in time";
    return nullptr;
}

HWND WaitForCaption(Tour &tour, const std::string &caption) {
    HWND window = WaitFor(tour, [&](HWND w) { return robot::WindowText(w) == caption; });
    if (!window) tour.problem = "no window \"" + caption + "\": " + tour.problem;
    return window;
}

// ---- The steps -------------------------------------------------------------

// Starts Kovara.exe from the program folder, in that folder, with the test
// bed's volume shim in front of its volume calls (Wine answers the volume lock
// itself otherwise, and a lock could never reach the stand-in driver).
bool StartInProgramFolder(const std::string &folder, PROCESS_INFORMATION *process) {
    std::string shim = "Z:";
    for (const char *p = KOVARA_VOLUME_SHIM_DLL; *p; ++p) shim += (*p == '/') ? '\\' : *p;
    SetCurrentDirectoryA(folder.c_str());
    std::string commandLine = "\"" + folder + "\\Kovara.exe\"";
    return StartWithVolumeShim(commandLine.c_str(), shim.c_str(), process) == 1;
}

bool StartManager(Tour &tour, std::string &shot) {
    if (!StartInProgramFolder(tour.folder, &tour.manager)) {
        tour.problem = "cannot start Kovara.exe in " + tour.folder + " with the volume shim";
        return false;
    }
    HWND setup = WaitForCaption(tour, "Kovara - Setup Your Token");
    if (!setup) return false;
    shot = Shoot(tour, "setup-your-token");
    return true;
}

bool SetUpToken(Tour &tour, std::string &shot) {
    HWND setup = WaitForCaption(tour, "Kovara - Setup Your Token");
    if (!setup) return false;
    Click(setup, IDC_TOKEN_ETOKEN);
    if (!robot::WaitUntil([&] { return robot::CheckState(setup, IDC_TOKEN_ETOKEN) == BST_CHECKED; }, 10000)) {
        tour.problem = "\"EToken Library\" cannot be chosen (is the software token installed?)";
        return false;
    }
    Click(setup, IDC_TOKEN_OK);
    HWND done = WaitFor(tour, [](HWND w) {
        return robot::IsMessageBox(w) && robot::ReadBox(w).text == "The token was setup successfully!";
    });
    if (!done) return false;
    shot = Shoot(tour, "token-set-up");
    robot::PressButton(done, IDOK);
    return true;
}

bool AuthoriseToken(Tour &tour, std::string &shot) {
    HWND dialog = WaitForCaption(tour, "Kovara - Token Authorisation");
    if (!dialog) return false;
    robot::SetControlText(dialog, IDC_TOKEN_PASSWORD, tour.tokenPassword.c_str());
    shot = Shoot(tour, "token-authorisation");
    robot::PressButton(dialog, IDC_TOKEN_OK);
    return true;
}

HWND WaitForMainWindow(Tour &tour) {
    return WaitFor(tour, [](HWND w) { return robot::WindowText(w) == "Kovara" && IsDialogWith(w, IDC_PAGE_PICTURE); });
}

bool NewUserPage(Tour &tour, std::string &shot) {
    tour.mainWindow = WaitForMainWindow(tour);
    if (!tour.mainWindow) return false;
    if (!robot::IsControlVisible(tour.mainWindow, IDC_CREATE_NEXT)) {
        tour.problem = "the main window does not show the new-user page (is a user left in the prefix?)";
        return false;
    }
    robot::SetControlText(tour.mainWindow, IDC_NEW_USER_NAME, tour.user.c_str());
    robot::SetControlText(tour.mainWindow, IDC_NEW_PASSWORD, tour.password.c_str());
    robot::SetControlText(tour.mainWindow, IDC_RECONFIRM_PASSWORD, tour.password.c_str());
    shot = Shoot(tour, "new-user-page");
    robot::PressButton(tour.mainWindow, IDC_CREATE_NEXT);
    return true;
}

bool AuthoriseCreation(Tour &tour, std::string &shot) {
    HWND authorise = WaitForCaption(tour, "Kovara - Authorise Token Use");
    if (!authorise) return false;
    robot::SetControlText(authorise, IDC_TOKEN_PASSWORD, tour.tokenPassword.c_str());
    shot = Shoot(tour, "authorise-token-use-for-the-new-user");
    robot::PressButton(authorise, IDC_TOKEN_OK);
    return true;
}

// A vault of 8 MB in the offered location, confirmed with Yes.
bool SetUpVault(Tour &tour, std::string &shot) {
    HWND setup = WaitForCaption(tour, "Kovara - Setup Your Vault");
    if (!setup) return false;
    robot::SetControlText(setup, IDC_VAULT_SIZE, "8");
    std::printf("    vault \"%s\" in %s, %s\n", robot::ControlText(setup, IDC_VAULT_NAME).c_str(),
                robot::ControlText(setup, IDC_VAULT_LOCATION).c_str(),
                robot::ControlText(setup, IDC_VAULT_FREE_SPACE).c_str());
    shot = Shoot(tour, "setup-your-vault");
    robot::PressButton(setup, IDOK);
    HWND confirm = robot::WaitForBox("Kovara", kStepWaitMs, tour.manager.dwProcessId);
    if (!confirm) {
        tour.problem = "no question to confirm the new vault";
        return false;
    }
    robot::PressButton(confirm, IDYES);
    robot::WaitForClose(confirm, 10000);
    return true;
}

bool VaultCreated(Tour &tour, std::string &shot) {
    HWND created = WaitForCaption(tour, "Kovara - Vault Created");
    if (!created) return false;
    shot = Shoot(tour, "vault-created");
    robot::PressButton(created, IDOK);
    return true;
}

// The single backup file of the new user's information, into a folder of its
// own on drive C.
bool BackUpUserInformation(Tour &tour, std::string &shot) {
    HWND backup = WaitForCaption(tour, "Kovara - User Information Backup");
    if (!backup) return false;
    const char folder[] = "C:\\KovaraBackup";
    CreateDirectoryA(folder, nullptr);
    robot::PressButton(backup, IDC_CREATION_BACKUP_SINGLE);
    // The option clears the location field: it is filled once the click is handled.
    if (!robot::WaitUntil([&] { return robot::CheckState(backup, IDC_CREATION_BACKUP_SINGLE) == BST_CHECKED; },
                          10000) ||
        !robot::WaitForIdle(backup)) {
        tour.problem = "\"Single Backup\" cannot be chosen";
        return false;
    }
    robot::SetControlText(backup, IDC_CREATION_BACKUP_LOCATION, folder);
    shot = Shoot(tour, "user-information-backup");
    robot::PressButton(backup, IDYES);
    HWND done = WaitFor(tour, [](HWND w) {
        return robot::IsMessageBox(w) && robot::ReadBox(w).text.find("Backup created successfully!") == 0;
    });
    if (!done) return false;
    robot::PressButton(done, IDOK);
    robot::WaitForClose(done, 10000);
    return true;
}

// Starts Kovara.exe once more after the first run has ended.
bool StartAgain(Tour &tour, std::string &shot) {
    CloseHandle(tour.manager.hThread);
    CloseHandle(tour.manager.hProcess);
    tour.manager = {};
    if (!StartInProgramFolder(tour.folder, &tour.manager)) {
        tour.problem = "cannot start Kovara.exe again";
        return false;
    }
    HWND dialog = WaitForCaption(tour, "Kovara - Token Authorisation");
    if (!dialog) return false;
    shot = Shoot(tour, "started-again");
    return true;
}

bool ShowLogInPage(Tour &tour, std::string &shot) {
    tour.mainWindow = WaitForMainWindow(tour);
    if (!tour.mainWindow) return false;
    if (!robot::IsControlVisible(tour.mainWindow, IDC_LOGIN_USER)) {
        tour.problem = "the main window does not show the log-in page";
        return false;
    }
    shot = Shoot(tour, "log-in-page");
    return true;
}

// Shows a dialog of the log-in page or the tray, photographs it and cancels it.
bool ShowAndCancel(Tour &tour, std::string &shot, const char *caption, const char *name, int cancel) {
    HWND dialog = WaitForCaption(tour, caption);
    if (!dialog) return false;
    shot = Shoot(tour, name);
    robot::PressButton(dialog, cancel);
    if (!robot::WaitForClose(dialog, kStepWaitMs)) {
        tour.problem = std::string("\"") + caption + "\" did not close";
        return false;
    }
    return true;
}

bool ChangePasswordDialog(Tour &tour, std::string &shot) {
    robot::PressButton(tour.mainWindow, IDC_CHANGE_PASSWORD);
    return ShowAndCancel(tour, shot, "Kovara - Change Password", "change-password", IDC_CHANGE_CANCEL);
}

bool PreferencesDialog(Tour &tour, std::string &shot) {
    PostMessageA(tour.mainWindow, WM_COMMAND, IDM_PREFERENCES, 0);
    return ShowAndCancel(tour, shot, "Kovara - Setup Your Preferences", "preferences", IDC_PREF_CANCEL);
}

bool LogIn(Tour &tour, std::string &shot) {
    robot::SetControlText(tour.mainWindow, IDC_LOGIN_USER, tour.user.c_str());
    robot::SetControlText(tour.mainWindow, IDC_LOGIN_PASSWORD, tour.password.c_str());
    robot::PressButton(tour.mainWindow, IDC_LOGIN_OK);
    HWND authorise = WaitForCaption(tour, "Kovara - Authorise Token Use");
    if (!authorise) return false;
    robot::SetControlText(authorise, IDC_TOKEN_PASSWORD, tour.tokenPassword.c_str());
    shot = Shoot(tour, "authorise-token-use");
    robot::PressButton(authorise, IDC_TOKEN_OK);
    return true;
}

bool HowToUse(Tour &tour, std::string &shot) {
    HWND howTo = WaitFor(tour, [](HWND w) { return IsDialogWith(w, kHowToUseExplore); });
    if (!howTo) {
        tour.problem = "no How To Use window: " + tour.problem;
        return false;
    }
    shot = Shoot(tour, "how-to-use");
    std::string shownAs = robot::ControlText(howTo, kHowToUseDrive);
    std::printf("    the vault shows as \"%s\"\n", shownAs.c_str());
    size_t colon = shownAs.rfind(':');
    if (colon != std::string::npos && colon > 0) tour.drive = shownAs[colon - 1];
    if (IsWindowVisible(tour.mainWindow)) {
        tour.problem = "the main window is still shown after the log-in";
        return false;
    }
    return true;
}

bool ExploreVault(Tour &tour, std::string &shot) {
    HWND howTo = FindTopLevel(tour.manager.dwProcessId, [](HWND w) { return IsDialogWith(w, kHowToUseExplore); });
    if (!howTo) {
        tour.problem = "the How To Use window went away";
        return false;
    }
    robot::PressButton(howTo, kHowToUseExplore);
    if (!robot::WaitForClose(howTo, kStepWaitMs)) {
        tour.problem = "How To Use stayed open after \"Explore Vault\"";
        return false;
    }
    // The Explorer window belongs to another process: found by the drive in
    // its title, shown once drawn, then closed so that the tray is in view.
    std::string drive = std::string("(") + tour.drive + ":)";
    HWND explorer = nullptr;
    robot::WaitUntil(
        [&] {
            explorer = FindTopLevel(0, [&](HWND w) {
                return IsWindowVisible(w) && ProcessOf(w) != tour.manager.dwProcessId &&
                       robot::WindowText(w).find(drive) != std::string::npos;
            });
            return explorer != nullptr;
        },
        kStepWaitMs);
    if (!explorer) {
        tour.problem = "no Explorer window on " + drive;
        return false;
    }
    // Explorer fills its file list after the window shows: the picture waits
    // for the list (a bounded wait: an empty drive may show none).
    robot::WaitUntil([&] { return FindWindowExA(explorer, nullptr, "SHELLDLL_DefView", nullptr) != nullptr; }, 10000);
    shot = Shoot(tour, "explore-vault", explorer);
    PostMessageA(explorer, WM_CLOSE, 0, 0);
    robot::WaitForClose(explorer, 15000);
    return true;
}

bool TrayMenu(Tour &tour, std::string &shot) {
    PostMessageA(tour.mainWindow, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
    HWND menu = robot::WaitForWindow("#32768", nullptr, kStepWaitMs);
    if (!menu) {
        tour.problem = "no tray menu after a click on the icon";
        return false;
    }
    shot = Shoot(tour, "tray-menu");
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    if (!robot::WaitForClose(menu, 10000)) PostMessageA(tour.mainWindow, WM_CANCELMODE, 0, 0);
    return true;
}

bool LockAndExit(Tour &tour, std::string &shot) {
    PostMessageA(tour.mainWindow, WM_COMMAND, MAKEWPARAM(kLockAndExit, 0), 0);
    HWND dialog = WaitForCaption(tour, "Kovara - Lock Vault and Exit?");
    if (!dialog) return false;
    shot = Shoot(tour, "lock-vault-and-exit");
    int ok = ButtonWithText(dialog, "&OK");
    robot::PressButton(dialog, ok ? ok : IDOK);
    return true;
}

bool VaultLocked(Tour &tour, std::string &shot) {
    HWND notice = WaitForCaption(tour, "Kovara - Your Vault Is Locked");
    if (!notice) return false;
    shot = Shoot(tour, "your-vault-is-locked");
    int ok = ButtonWithText(notice, "&OK");
    robot::PressButton(notice, ok ? ok : IDOK);
    return true;
}

bool ProgramEnds(Tour &tour, std::string &shot) {
    if (WaitForSingleObject(tour.manager.hProcess, kStepWaitMs) != WAIT_OBJECT_0) {
        tour.problem = "Kovara.exe still runs";
        return false;
    }
    DWORD code = 1;
    GetExitCodeProcess(tour.manager.hProcess, &code);
    shot = Shoot(tour, "ended");
    if (code != 0) {
        tour.problem = "exit code " + std::to_string(code);
        return false;
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kovara\\VaultStatus", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        bool open = RegQueryValueExA(key, "OpenVault", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (open) {
            tour.problem = "OpenVault is still set after the lock";
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 3 && std::string(argv[1]) == "start") {
        // For a person at the display: the program as the tour starts it.
        PROCESS_INFORMATION manager = {};
        if (!StartInProgramFolder(argv[2], &manager)) {
            std::fprintf(stderr, "kovara_tour: cannot start Kovara.exe in %s\n", argv[2]);
            return 1;
        }
        WaitForSingleObject(manager.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(manager.hProcess, &code);
        return static_cast<int>(code);
    }
    if (argc != 6 || std::string(argv[1]) != "tour") {
        std::fprintf(stderr,
                     "usage: kovara_tour tour PROGRAM_FOLDER USER PASSWORD TOKEN_PASSWORD\n"
                     "       kovara_tour start PROGRAM_FOLDER\n");
        return 2;
    }
    Tour tour;
    tour.folder = argv[2];
    tour.user = argv[3];
    tour.password = argv[4];
    tour.tokenPassword = argv[5];

    const struct {
        const char *title;
        bool (*run)(Tour &, std::string &);
    } steps[] = {
        {"start-up asks for the token set-up", StartManager},
        {"token set up: EToken Library", SetUpToken},
        {"token authorisation with the token password", AuthoriseToken},
        {"new-user page with the demo user's name", NewUserPage},
        {"token use authorised for the new user", AuthoriseCreation},
        {"Setup Your Vault: 8 MB, confirmed", SetUpVault},
        {"Vault Created: the format", VaultCreated},
        {"User Information Backup: a single file", BackUpUserInformation},
        {"How To Use after the creation", HowToUse},
        {"Explore Vault opens the new vault drive", ExploreVault},
        {"Lock & Exit asks to lock the new vault", LockAndExit},
        {"vault locked notice", VaultLocked},
        {"program ends, no vault left open", ProgramEnds},
        {"a new start asks for the token password", StartAgain},
        {"token authorisation with the token password", AuthoriseToken},
        {"main window on the log-in page", ShowLogInPage},
        {"Change Password dialog from the log-in page", ChangePasswordDialog},
        {"User Preferences dialog (tray command)", PreferencesDialog},
        {"log-in of the demo user, token use authorised", LogIn},
        {"How To Use after the log-in, main window hidden", HowToUse},
        {"Explore Vault opens the vault drive", ExploreVault},
        {"tray menu from the icon", TrayMenu},
        {"Lock & Exit asks to lock the vault", LockAndExit},
        {"vault locked notice", VaultLocked},
        {"program ends, no vault left open", ProgramEnds},
    };
    int status = 0;
    for (const auto &step : steps) {
        ++tour.step;
        std::string shot;
        if (step.run(tour, shot)) {
            std::printf("%2d ok      %-48s %s\n", tour.step, step.title, shot.c_str());
            continue;
        }
        if (shot.empty()) shot = Shoot(tour, "failed");
        std::printf("%2d FAILED  %-48s %s\n           %s\n", tour.step, step.title, shot.c_str(), tour.problem.c_str());
        status = 1;
        break;
    }
    if (tour.manager.hProcess) {
        if (status != 0) TerminateProcess(tour.manager.hProcess, 1);
        CloseHandle(tour.manager.hThread);
        CloseHandle(tour.manager.hProcess);
    }
    std::printf(status == 0 ? "Tour done: every step passed.\n" : "Tour stopped at a failed step.\n");
    return status;
}
