// The progress bar and status text of the two lock dialogs.
#pragma once
#include <windows.h>

// White bar, range 0 to 20, step 1, position 0.
void SetUpLockProgress(HWND dialog, int progressId);
// Status text, wait cursor and seven steps, set before the lock blocks the
// thread. Returns the cursor to restore.
HCURSOR ShowLocking(HWND dialog, int progressId, const char *status);
