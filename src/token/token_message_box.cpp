#include "token/token_message_box.h"

void TokenWarning(HWND owner, const std::string &text) {
  MessageBoxA(owner, text.c_str(), "Kovara", MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
}

void TokenNotice(HWND owner, const std::string &text) {
  MessageBoxA(owner, text.c_str(), "Kovara", MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL);
}

int TokenQuestion(HWND owner, const std::string &text) {
  return MessageBoxA(owner, text.c_str(), "Kovara",
                     MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL) == IDYES;
}

int TokenWarningQuestion(HWND owner, const std::string &text) {
  return MessageBoxA(owner, text.c_str(), "WARNING", MB_YESNO | MB_ICONWARNING | MB_SYSTEMMODAL) ==
         IDYES;
}
