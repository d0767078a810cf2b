// "Kovara: Security Alert": run at start-up for the vault that a previous run
// left open; it locks that drive.
#pragma once
#include <windows.h>

// 1 when the drive was locked, 0 when the user gave up (Esc after a failed
// lock). "OK" after a failed lock tries again.
int RunSecurityAlert(char driveLetter);
