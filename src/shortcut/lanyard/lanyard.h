// The start-menu program: puts "Kovara.lnk", starting the companion program
// with the vault icon, into the Start Menu shared by all users.
#pragma once
#include <windows.h>

// Runs the whole program; shows messages only on failure. Returns the exit
// code (always 0).
int RunLanyard(HINSTANCE instance);
