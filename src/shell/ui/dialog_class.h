// The window class a program's own dialog template names: the standard dialog
// procedure with the program's icon, so that the dialog shows that icon.
#pragma once
#include <windows.h>

// Registers className (DefDlgProcA, arrow cursor, button-face background,
// icon iconId of instance); 0 when the system refuses it.
ATOM RegisterDialogClass(HINSTANCE instance, int iconId, const char *className);
