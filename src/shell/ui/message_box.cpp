#include "shell/ui/message_box.h"

const char kKovaraCaption[] = "Kovara";

int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type, int userIcon) {
    MSGBOXPARAMSA box = {};
    box.cbSize = sizeof box;
    box.hwndOwner = owner;
    box.hInstance = GetModuleHandleA(NULL);
    box.lpszText = text ? text : "";
    box.lpszCaption = caption ? caption : kKovaraCaption;
    box.dwStyle = type | MB_SYSTEMMODAL;
    if (type & MB_USERICON) box.lpszIcon = MAKEINTRESOURCEA(userIcon);
    return MessageBoxIndirectA(&box);
}
