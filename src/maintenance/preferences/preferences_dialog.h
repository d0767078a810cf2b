// "Kovara - Setup Your Preferences": the weekly reminders and the start-menu
// shortcut. Changes take effect at the next start.
#pragma once
#include <windows.h>

void RunPreferencesDialog(HWND owner);
