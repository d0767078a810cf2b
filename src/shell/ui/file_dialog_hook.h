// Hooks of the program's file-open and file-save dialogs: centre the dialog,
// give it a large icon and name its OK button "Selected".
#pragma once
#include <windows.h>

// Icon resource 543.
UINT_PTR CALLBACK ChooseFileHook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
// The application icon (resource 487).
UINT_PTR CALLBACK SaveFileHook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
