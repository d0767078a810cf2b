// The wait cursor for the life of a scope: shown when made, the previous
// cursor put back when the scope ends.
#pragma once
#include <windows.h>

struct WaitCursor {
    HCURSOR previous;
    WaitCursor() : previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};
