// The removal that "&Uninstall" runs on its worker thread: driver, files,
// sub-folders, registry, links. It writes the dialog's status line, step rows
// and the list's Status column, and posts kRemovalFinished with its outcome.
#pragma once
#include <windows.h>

#include <string>

enum RemovalOutcome {
    kRemovalDone,         // every step that stops the run succeeded, links included
    kRemovalAborted,      // the driver or file step failed: the run stopped
    kRemovalLinksFailed,  // all done but the links of the installation log
};

const UINT kRemovalFinished = WM_APP + 1;  // wParam: RemovalOutcome

struct RemovalJob {
    HWND dialog;
    HWND list;  // full paths of the program folder's entries
    char programFolder[MAX_PATH];
    std::string overlongFolder;  // holds an entry too long for the list; empty when none
};

// Starts the worker (16 KB stack); 0 when the thread could not be made.
int StartRemoval(RemovalJob *job);
