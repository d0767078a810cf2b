// Gives one control of a dialog a bold copy of the dialog's font, a quarter
// taller. Nothing changes when the dialog has no font. The font is deleted
// when the control is destroyed.
#pragma once
#include <windows.h>

void EnlargeBoldFont(HWND dialog, int controlId);
