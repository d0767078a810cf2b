// Entry of the uninstaller uninstall_kovara.exe.
#include <windows.h>

#include "uninstaller/uninstall_kovara.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunUninstaller(instance); }
