#include "maintenance/creation_box.h"

int CreationBox(HWND owner, const char *text, UINT type, const char *caption) {
    return MessageBoxA(owner, text, caption, type | MB_SYSTEMMODAL);
}
