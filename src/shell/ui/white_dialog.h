// Dialogs of the vault manager are drawn black on white with one white brush
// kept for the life of the process.
#pragma once
#include <windows.h>

HBRUSH WhiteBrush();

// Answers WM_CTLCOLORDLG and WM_CTLCOLORSTATIC (white background, black text,
// transparent); FALSE for any other message.
INT_PTR WhiteDialogColours(UINT message, WPARAM wParam);
