#include "keys/log_in/log_in.h"

#include <commctrl.h>
#include <string.h>

#include <string>

#include "keys/files/key_files.h"
#include "keys/files/token_use.h"
#include "crypto/core/secure_wipe.h"
#include "maintenance/registry/registry_settings.h"
#include "mount/open/mount_vault.h"
#include "resources/resource.h"
#include "shell/ui/error_box.h"
#include "shell/ui/message_box.h"
#include "shell/ui/wait_cursor.h"

char g_loginPassword[kHeldPasswordSize];

namespace {

const char kWrongPassword[] = "Either Username or Password is incorrect.";
// No token is read from a backup; the checks still take a token password.
const char kBackupTokenPlaceholder[] = "0000000000";
const unsigned kMiB = 1048576;
const unsigned kSmallestVaultMiB = 5;

// Overwrites the held password with the digit 0, leaving the terminator.
void OverwriteHeldPassword() {
    SecureWipe(g_loginPassword, sizeof g_loginPassword);
    memset(g_loginPassword, '0', kPasswordBufferSize);
}

// Wait cursor, progress and status for one attempt; every exit resets them
// and overwrites the held password.
struct Attempt {
    HWND main;
    WaitCursor wait;
    explicit Attempt(HWND window) : main(window) {}
    ~Attempt() {
        OverwriteHeldPassword();
        SendDlgItemMessageA(main, IDC_LOGIN_PROGRESS, PBM_SETPOS, 0, 0);
    }
    void Step() { SendDlgItemMessageA(main, IDC_LOGIN_PROGRESS, PBM_STEPIT, 0, 0); }
    int Refuse(const std::string &text) {
        ShowMessageBox(main, text.c_str());
        return 0;
    }
};

void ReadFields(HWND main, char *user) {
    user[0] = '\0';
    SecureWipe(g_loginPassword, sizeof g_loginPassword);
    GetDlgItemTextA(main, IDC_LOGIN_USER, user, 100);
    GetDlgItemTextA(main, IDC_LOGIN_PASSWORD, g_loginPassword, 100);
    // Taken: the password does not stay in the page while the pass runs.
    SetDlgItemTextA(main, IDC_LOGIN_PASSWORD, "");
}

// Opens the vault file and turns its size into whole MiB; 0 after a message.
int VaultSizeInMiB(Attempt &attempt, const std::string &user, const char *vaultPath, unsigned *sizeMb) {
    HANDLE file = CreateFileA(vaultPath, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return attempt.Refuse("The registered vault for user \"" + user +
                              "\", either cannot be found or is not accessible."
                              "\nIf you entered wrong username, then correct it."
                              "\nElse If you changed the vault location then restore it.");
    attempt.Step();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error);
        SystemErrorBox(attempt.main,
                       ("The vault for user \"" + user + "\", either cannot be found or is not accessible.").c_str());
        return 0;
    }
    CloseHandle(file);
    attempt.Step();
    unsigned long long mib = static_cast<unsigned long long>(size.QuadPart) / kMiB;
    if (mib < kSmallestVaultMiB)
        return attempt.Refuse("The vault data for user \"" + user + "\", is corrupt.\nThe vault cannot be opened.");
    // The request carries the size in MiB times 1 MiB in 64 bits, the MiB count
    // held in 32 bits: a size at or above 4 PiB (2^32 MiB) is capped there, and
    // is no vault this system made.
    *sizeMb = mib > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(mib);
    return 1;
}

// The drive pick, the mount and the password overwrite shared by both log-ins.
int OpenTheVault(Attempt &attempt, const char *user, const char *vaultPath, unsigned sizeMb, const char *tokenPassword,
                 const BackupChoice *backup, ChosenDrive *drive, LoggedInUser *loggedIn) {
    int letterRequested = drive->chosen && drive->letter > 'C' && drive->letter <= 'Z';
    char letter = letterRequested ? drive->letter : 'A';
    drive->chosen = 0;
    drive->letter = 'A';

    SetDlgItemTextA(attempt.main, IDC_LOGIN_STATUS, "Opening Vault..");
    for (int i = 0; i < 3; ++i) attempt.Step();
    VaultKeySource source = {g_loginPassword, tokenPassword, backup, vaultPath};
    KeyLoading keyLoading = {LoadVaultKeyFromSource, &source};
    int opened = MountVault(attempt.main, vaultPath, sizeMb, letterRequested, letter, keyLoading);
    SetDlgItemTextA(attempt.main, IDC_LOGIN_STATUS, "Log-In Status");
    OverwriteHeldPassword();

    if (!opened) return attempt.Refuse("There was error opening the vault.");
    memset(loggedIn, 0, sizeof *loggedIn);
    strncpy(loggedIn->name, user, sizeof loggedIn->name - 1);
    strncpy(loggedIn->vaultPath, vaultPath, sizeof loggedIn->vaultPath - 1);
    ShowWindow(attempt.main, SW_HIDE);
    return 1;
}

}  // namespace

int LogIn(HWND main, ChosenDrive *drive, LoggedInUser *loggedIn) {
    Attempt attempt(main);
    char user[100];
    ReadFields(main, user);
    if (!user[0] || !g_loginPassword[0]) return attempt.Refuse("All fields must be entered.");
    attempt.Step();

    char vaultPath[kPathSize];
    if (!FindVault(user, vaultPath, sizeof vaultPath))
        return attempt.Refuse(std::string("The vault for user \"") + user + "\" not found." +
                              "\n\nIf you entered wrong username, then correct it." +
                              "\nElse if you changed Windows registry settings for Kovara, " +
                              "\nthen restore the settings before login.");
    attempt.Step();

    char tokenPassword[kPasswordBufferSize];
    if (!AuthoriseTokenUse(main, tokenPassword, sizeof tokenPassword)) return 0;
    attempt.Step();

    int result = 0;
    unsigned sizeMb = 0;
    if (!CheckUserIdentity(main, g_loginPassword, vaultPath, tokenPassword, NULL)) {
        attempt.Refuse(kWrongPassword);
    } else {
        attempt.Step();
        if (CheckVaultInfo(main, g_loginPassword, vaultPath, user, tokenPassword, NULL)) {
            attempt.Step();
            if (VaultSizeInMiB(attempt, user, vaultPath, &sizeMb))
                result = OpenTheVault(attempt, user, vaultPath, sizeMb, tokenPassword, NULL, drive, loggedIn);
        }
    }
    SecureWipe(tokenPassword, sizeof tokenPassword);
    return result;
}

int LogInFromChosenBackup(HWND main, const BackupChoice &backup, ChosenDrive *drive, LoggedInUser *loggedIn) {
    Attempt attempt(main);
    char user[100];
    ReadFields(main, user);
    if (!user[0]) return attempt.Refuse("Please enter Username.");
    if (!g_loginPassword[0]) return attempt.Refuse("Please enter Password.");
    attempt.Step();

    const char *vaultPath = backup.vaultPath;
    if (!CheckUserIdentity(main, g_loginPassword, vaultPath, kBackupTokenPlaceholder, &backup)) {
        if (backup.split)
            return attempt.Refuse(
                "Either Username or Password is incorrect.\nEnsure that you selected backup part 1 "
                "as [Part 1] and backup part2 as [Part 2].");
        return attempt.Refuse(kWrongPassword);
    }
    attempt.Step();
    if (!CheckVaultInfo(main, g_loginPassword, vaultPath, user, kBackupTokenPlaceholder, &backup)) return 0;
    attempt.Step();
    unsigned sizeMb = 0;
    if (!VaultSizeInMiB(attempt, user, vaultPath, &sizeMb)) return 0;
    return OpenTheVault(attempt, user, vaultPath, sizeMb, kBackupTokenPlaceholder, &backup, drive, loggedIn);
}
