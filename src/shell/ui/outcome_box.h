// The box that tells the user how an operation ended. Each subsystem's
// message file decides the box and the text for its outcomes; this shows it.
#pragma once
#include <windows.h>

#include <string>

enum OutcomeBoxKind {
    kNoBox,           // nothing to tell, or told already by a lower layer
    kWarningBox,      // the text with the warning icon
    kNoticeBox,       // the text with the information icon
    kErrorBox,        // the text with the error icon
    kSystemErrorBox,  // the text, then the system's text for systemError
    kSystemTextBox,   // the system's text for systemError alone
};

struct OutcomeBox {
    OutcomeBoxKind kind;
    std::string text;
    DWORD systemError;
};

// Caption "Kovara"; nothing for kNoBox.
void ShowOutcomeBox(HWND owner, const OutcomeBox &box);
