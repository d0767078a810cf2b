// What ShellHelperKO.exe does when it is started (from the Start menu, a
// vault file, or a second copy of the vault manager).
#pragma once

// A running vault manager gets the request "OpenAndExplorer". A copy that is
// still starting up (its mutex exists, its main window not yet) is waited
// for. With no vault manager running at all, Kovara.exe from this program's
// folder is started. Never starts a vault manager while one holds its mutex,
// so that the manager and this program cannot start each other in a loop.
// Returns the process exit code: 0 done, 1 nothing reached.
int RunShellHelper();
