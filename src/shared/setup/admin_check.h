// Membership of the local Administrators group, as the installer and the
// uninstaller ask it before they change the system.
#pragma once
#include <windows.h>

// 1 when the groups of the thread's token (or, without one, the process's)
// hold the built-in Administrators alias.
int UserIsAdministrator();
