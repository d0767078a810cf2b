// The password commands of the log-in page: "&Forgot My Password" and
// "Change &Password".
#include "keys/change_password.h"
#include "maintenance/recovery_file.h"
#include "shell/maintenance_commands.h"

void CommandForgotPassword(HWND mainWindow, MainWindowState &) { RunRecoverPasswordDialog(mainWindow); }

void CommandChangePassword(HWND mainWindow, MainWindowState &) { RunChangePasswordDialog(mainWindow); }
