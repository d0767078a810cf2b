#include <windows.h>

#include "shell_helper.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunShellHelper(); }
