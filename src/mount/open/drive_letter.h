// Drive letters: the first free letter for a vault, and the dialog in which
// the user may pick the letter in advance.
#pragma once
#include <windows.h>

// The first letter from D to Z missing from the used-drive mask (bit 0 = A),
// or 0 when all of them are in use. A, B and C are never chosen.
char FirstFreeVaultLetter(DWORD usedDrives);

// The drive the user picked for the next log-in: chosen 0 and letter 'A'
// when none.
struct ChosenDrive {
    int chosen;
    char letter;
};

// Runs the drive-letter dialog (template 481). 1 with *letter set when the
// user chose a letter, else 0.
int PickDriveLetter(HWND owner, char *letter);
