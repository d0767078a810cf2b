#include "keys/log_in/log_in.h"

#include <commctrl.h>
#include <string.h>

#include <string>

#include "keys/files/key_files.h"
#include "keys/files/keys_messages.h"
#include "keys/files/token_use.h"
#include "crypto/core/secure_wipe.h"
#include "maintenance/registry/registry_settings.h"
#include "mount/open/mount_messages.h"
#include "mount/open/mount_vault.h"
#include "resources/resource.h"
#include "shell/ui/wait_cursor.h"

char g_loginPassword[kHeldPasswordSize];

namespace {

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
};

LogInResult Ended(const KeysResult &outcome) {
    LogInResult result = {};
    result.outcome = outcome;
    return result;
}

LogInResult Ended(KeysOutcome outcome, const std::string &user = std::string(), DWORD systemError = 0) {
    return Ended(KeysOutcomeOf(outcome, user, systemError));
}

// A refused identity check always ends in the wrong-password text, after the
// read's own message when the record could not be read.
LogInResult IdentityChecked(const KeysResult &identity, int split) {
    if (identity.outcome == kKeysOk) return Ended(identity);
    LogInResult result = Ended(split ? kLogInWrongSplitParts : kKeysWrongPassword);
    if (identity.outcome != kKeysWrongPassword) result.cause = identity;
    return result;
}

void ReadFields(HWND main, char *user) {
    user[0] = '\0';
    SecureWipe(g_loginPassword, sizeof g_loginPassword);
    GetDlgItemTextA(main, IDC_LOGIN_USER, user, 100);
    GetDlgItemTextA(main, IDC_LOGIN_PASSWORD, g_loginPassword, 100);
    // Taken: the password does not stay in the page while the pass runs.
    SetDlgItemTextA(main, IDC_LOGIN_PASSWORD, "");
}

// Opens the vault file and turns its size into whole MiB.
KeysOutcome VaultSizeInMiB(Attempt &attempt, const char *vaultPath, unsigned *sizeMb, DWORD *systemError) {
    HANDLE file = CreateFileA(vaultPath, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return kLogInVaultNotAccessible;
    attempt.Step();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        *systemError = GetLastError();
        CloseHandle(file);
        return kLogInVaultSizeUnknown;
    }
    CloseHandle(file);
    attempt.Step();
    unsigned long long mib = static_cast<unsigned long long>(size.QuadPart) / kMiB;
    if (mib < kSmallestVaultMiB) return kLogInVaultCorrupt;
    // The request carries the size in MiB times 1 MiB in 64 bits, the MiB count
    // held in 32 bits: a size at or above 4 PiB (2^32 MiB) is capped there, and
    // is no vault this system made.
    *sizeMb = mib > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(mib);
    return kKeysOk;
}

LogInResult OpenTheVault(Attempt &attempt, const char *user, const char *vaultPath, const char *tokenPassword,
                         const BackupChoice *backup, ChosenDrive *drive, LoggedInUser *loggedIn) {
    unsigned sizeMb = 0;
    DWORD systemError = 0;
    KeysOutcome size = VaultSizeInMiB(attempt, vaultPath, &sizeMb, &systemError);
    if (size != kKeysOk) return Ended(size, user, systemError);

    int letterRequested = drive->chosen && drive->letter > 'C' && drive->letter <= 'Z';
    char letter = letterRequested ? drive->letter : 'A';
    drive->chosen = 0;
    drive->letter = 'A';

    SetDlgItemTextA(attempt.main, IDC_LOGIN_STATUS, "Opening Vault..");
    for (int i = 0; i < 3; ++i) attempt.Step();
    VaultKeySource source = {g_loginPassword, tokenPassword, backup, vaultPath};
    KeyLoading keyLoading = {LoadVaultKeyFromSource, &source};
    LogInResult result = {};
    result.mount = MountVault(attempt.main, vaultPath, sizeMb, letterRequested, letter, keyLoading);
    result.cause = source.outcome;
    SetDlgItemTextA(attempt.main, IDC_LOGIN_STATUS, "Log-In Status");
    OverwriteHeldPassword();

    if (!MountOpened(result.mount)) {
        result.outcome = KeysOutcomeOf(kLogInNotOpened);
        return result;
    }
    memset(loggedIn, 0, sizeof *loggedIn);
    strncpy(loggedIn->name, user, sizeof loggedIn->name - 1);
    strncpy(loggedIn->vaultPath, vaultPath, sizeof loggedIn->vaultPath - 1);
    ShowWindow(attempt.main, SW_HIDE);
    return result;
}

}  // namespace

LogInResult LogIn(HWND main, ChosenDrive *drive, LoggedInUser *loggedIn) {
    Attempt attempt(main);
    char user[100];
    ReadFields(main, user);
    if (!user[0] || !g_loginPassword[0]) return Ended(kLogInFieldsMissing);
    attempt.Step();

    char vaultPath[kPathSize];
    if (!FindVault(user, vaultPath, sizeof vaultPath)) return Ended(kLogInVaultNotRegistered, user);
    attempt.Step();

    char tokenPassword[kPasswordBufferSize];
    if (!AuthoriseTokenUse(main, tokenPassword, sizeof tokenPassword)) return Ended(kKeysUntold);
    attempt.Step();

    LogInResult result = IdentityChecked(CheckUserIdentity(main, g_loginPassword, vaultPath, tokenPassword, NULL), 0);
    if (result.outcome.outcome == kKeysOk) {
        attempt.Step();
        result = Ended(CheckVaultInfo(main, g_loginPassword, vaultPath, user, tokenPassword, NULL));
        if (result.outcome.outcome == kKeysOk) {
            attempt.Step();
            result = OpenTheVault(attempt, user, vaultPath, tokenPassword, NULL, drive, loggedIn);
        }
    }
    SecureWipe(tokenPassword, sizeof tokenPassword);
    return result;
}

LogInResult LogInFromChosenBackup(HWND main, const BackupChoice &backup, ChosenDrive *drive, LoggedInUser *loggedIn) {
    Attempt attempt(main);
    char user[100];
    ReadFields(main, user);
    if (!user[0]) return Ended(kLogInNoUserName);
    if (!g_loginPassword[0]) return Ended(kLogInNoPassword);
    attempt.Step();

    const char *vaultPath = backup.vaultPath;
    LogInResult identity = IdentityChecked(
        CheckUserIdentity(main, g_loginPassword, vaultPath, kBackupTokenPlaceholder, &backup), backup.split);
    if (identity.outcome.outcome != kKeysOk) return identity;
    attempt.Step();
    KeysResult info = CheckVaultInfo(main, g_loginPassword, vaultPath, user, kBackupTokenPlaceholder, &backup);
    if (info.outcome != kKeysOk) return Ended(info);
    attempt.Step();
    return OpenTheVault(attempt, user, vaultPath, kBackupTokenPlaceholder, &backup, drive, loggedIn);
}

void ShowLogInOutcome(HWND owner, const LogInResult &result) {
    ShowMountOutcome(owner, result.mount);
    ShowKeysOutcome(owner, result.cause);
    ShowKeysOutcome(owner, result.outcome);
}
