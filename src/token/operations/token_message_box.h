// The message boxes of the token operations: caption "Kovara", system-modal.
#pragma once
#include <windows.h>

#include <string>

void TokenWarning(HWND owner, const std::string &text);
void TokenNotice(HWND owner, const std::string &text);
// Yes/No with the question icon; 1 for Yes.
int TokenQuestion(HWND owner, const std::string &text);
// Yes/No with the caption "WARNING" and the warning icon; 1 for Yes.
int TokenWarningQuestion(HWND owner, const std::string &text);
