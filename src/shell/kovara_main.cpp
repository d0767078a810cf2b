// Entry point of the vault manager Kovara.exe.
#include <windows.h>

#include "shell/start_up.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return RunVaultManager(instance); }
