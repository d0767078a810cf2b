// The "Install" button: the installation steps, from the list check to the
// question whether to run the program.
#pragma once
#include <windows.h>

struct InstallDialog {
    HWND dialog;
    HWND list;      // the file list: entries of the source folder, paths relative to it
    HWND status;    // the status line
    HWND progress;  // present while an installation runs
    char sourceFolder[MAX_PATH];
};

enum InstallOutcome {
    kInstallStopped,  // a step failed after its message; the dialog stays open
    kInstallEnded,    // finished or a fatal failure: the dialog closes
};

// The number of entries the distribution holds besides the installer.
const int kDistributionEntries = 19;

InstallOutcome RunInstall(InstallDialog *install);
