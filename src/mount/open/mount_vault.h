// The open sequence: turns a vault file into a drive letter through the
// vault driver, then makes the drive look like a vault to the user.
#pragma once
#include <windows.h>

// The key loading handed to the open sequence by its caller (the log-in, the
// creation): fills the key fields and slot 0 of the request's zero-filled key
// area (KOVDEV_REQ_HEAD_SIZE bytes). 1, or 0 after its own message. The
// context carries whatever the loading needs (password, token password,
// chosen backup); the open sequence only passes it on.
typedef int (*LoadKeyFunction)(void *context, HWND owner, unsigned char *keyArea);

struct KeyLoading {
    LoadKeyFunction load;
    void *context;
};

// 1 opened, 0 not opened (a message has been shown). The letter is used as
// given when letterRequested is set; otherwise the first free letter from D.
// On success: the open vault state (flag, letter, open count, shortcut made),
// the tray icon, OpenVault, the drive icon, the label and the shortcut.
int MountVault(HWND owner, const char *containerPath, unsigned sizeMb, int letterRequested, char letter,
               const KeyLoading &keyLoading);

// The shortcut "Kovara.lnk" in My Documents to the root of the drive.
// 1 when it was saved.
int MakeVaultShortcut(char letter);
