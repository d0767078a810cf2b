#include "token/operations/token_message_box.h"

#include "shell/ui/message_box.h"

void TokenWarning(HWND owner, const std::string &text) { ShowMessageBox(owner, text.c_str()); }

void TokenNotice(HWND owner, const std::string &text) {
    ShowMessageBox(owner, text.c_str(), kKovaraCaption, MB_OK | MB_ICONINFORMATION);
}

int TokenQuestion(HWND owner, const std::string &text) {
    return ShowMessageBox(owner, text.c_str(), kKovaraCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

int TokenWarningQuestion(HWND owner, const std::string &text) {
    return ShowMessageBox(owner, text.c_str(), "WARNING", MB_YESNO | MB_ICONWARNING) == IDYES;
}
