// Entry of the installer setup_kovara.exe.
#include <windows.h>

#include "installer/setup_kovara.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunInstaller(instance); }
