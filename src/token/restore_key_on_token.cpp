#include "token/token_dialogs.h"
#include "token/token_message_box.h"

// Restoring a key from its backup file is not part of this build yet; the
// button tells the user so instead of doing nothing.
void RunRestoreKeyOnTokenDialog(HWND owner) {
  TokenNotice(owner, "Restoring a token key from a backup is not available in this version.");
}
