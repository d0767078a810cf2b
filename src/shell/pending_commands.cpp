// Stand-in bodies of the commands that the creation and maintenance
// operations carry out: until each is done, it says so.
#include "shell/pending_commands.h"

#include "shell/ui/message_box.h"

namespace {

void NotAvailableYet(HWND owner) {
    ShowMessageBox(owner, "This feature is not available yet.", kKovaraCaption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

void CommandCreateUser(HWND mainWindow, MainWindowState &) { NotAvailableYet(mainWindow); }
void CommandBackupVault(HWND mainWindow, MainWindowState &) { NotAvailableYet(mainWindow); }

void MakeVaultBackupAfterLock(HWND owner, MainWindowState &) { NotAvailableYet(owner); }
