// Removing the vault driver's devices (setup class of kovdev.inf) through
// their class installer.
#pragma once
#include <windows.h>

// statusLine: shows "Unistalling driver: Stage N" as each stage starts.
// 1 when every present device of the class was removed; 0 after a message.
int RemoveKovdevDevices(HWND statusLine);
