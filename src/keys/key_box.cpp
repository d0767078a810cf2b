#include "keys/key_box.h"

int KeyWarningBox(HWND owner, const char *text) {
    return MessageBoxA(owner, text, "Kovara", MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
}
