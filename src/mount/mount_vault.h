// The open sequence: turns a vault file into a drive letter through the
// vault driver, then makes the drive look like a vault to the user.
#pragma once
#include <windows.h>

// 1 opened, 0 not opened (a message has been shown). Reads g_app.fromBackup
// for the key loading; on success sets the vault-open flag, the open drive
// letter, the open count, OpenVault and the drive icon.
int MountVault(HWND owner, const char *userName, const char *containerPath, unsigned sizeMb, const char *password,
               int letterRequested, char letter, const char *tokenPassword);

// The shortcut "Kovara.lnk" in My Documents to the root of the drive.
// 1 when it was saved.
int MakeVaultShortcut(char letter);
