// Entry of the start-menu program lanyard.exe.
#include <windows.h>

#include "shortcut/lanyard/lanyard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunLanyard(instance); }
