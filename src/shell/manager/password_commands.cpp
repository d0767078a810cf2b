// The password commands of the log-in page: "&Forgot My Password" and
// "Change &Password".
#include "keys/change_password/change_password.h"
#include "maintenance/recovery/recovery_file.h"
#include "shell/manager/maintenance_commands.h"

void CommandForgotPassword(HWND mainWindow, MainWindowState &) { RunRecoverPasswordDialog(mainWindow); }

void CommandChangePassword(HWND mainWindow, MainWindowState &) { RunChangePasswordDialog(mainWindow); }
