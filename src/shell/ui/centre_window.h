// Moves a window to the middle of the screen without resizing it.
#pragma once
#include <windows.h>

void CentreOnScreen(HWND window);
