// Turns a static control of a dialog into a hyperlink: underlined, coloured,
// with a hand cursor; a click opens the target (or the control's own text
// when the target is NULL or empty) and turns the link purple.
#pragma once
#include <windows.h>

// colour: the link's colour, or (COLORREF)-1 for blue. Returns 1.
int MakeHyperlink(HWND dialog, int controlId, const char *target, COLORREF colour);
