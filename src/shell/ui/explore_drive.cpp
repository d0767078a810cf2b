#include "shell/ui/explore_drive.h"
#include "shell/ui/message_box.h"

#include <windows.h>
#include <shellapi.h>

void ExploreDrive(int driveIndex) {
    if (driveIndex < 0 || driveIndex > 25) return;
    char root[4] = {static_cast<char>('A' + driveIndex), ':', '\\', '\0'};
    // Explorer needs room to start: refuse early, with a message, when the
    // system is short of memory.
    HGLOBAL probe = GlobalAlloc(GMEM_FIXED, 0x300000);
    if (!probe) {
        ShowMessageBox(nullptr, "Cannot open file or explorer window.\nNot enough system memory.");
        return;
    }
    GlobalFree(probe);
    ShellExecuteA(nullptr, "open", "explorer.exe", root, nullptr, SW_SHOWNORMAL);
}
