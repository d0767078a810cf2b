// The vault that is open: written by the open sequence, cleared by the lock.
// One copy, used from the user-interface thread.
#pragma once

struct OpenVaultState {
    int vaultOpen;
    char driveLetter;  // upper case, while vaultOpen
    int openCount;     // successful opens in this run
    int shortcutMade;  // the My Documents shortcut was written by this open
};

extern OpenVaultState g_openVault;
