// The progress bar and status text of the two lock dialogs.
#pragma once
#include <windows.h>

// White bar, range 0 to 20, step 1, position 0.
void SetUpLockProgress(HWND dialog, int progressId);
// Status text and seven steps, set before the lock blocks the thread; the
// caller holds a WaitCursor around the lock.
void ShowLocking(HWND dialog, int progressId, const char *status);
