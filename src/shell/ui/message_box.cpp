#include "shell/ui/message_box.h"

const char kKovaraCaption[] = "Kovara";

int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type) {
    return MessageBoxA(owner, text ? text : "", caption ? caption : kKovaraCaption, type | MB_SYSTEMMODAL);
}
