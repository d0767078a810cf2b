// Entry point of the vault manager Kovara.exe.
#include <windows.h>

#include "shell/manager/start_up.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunVaultManager(instance); }
