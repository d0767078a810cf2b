#include "shell/ui/outcome_box.h"

#include "shell/ui/error_box.h"
#include "shell/ui/message_box.h"

void ShowOutcomeBox(HWND owner, const OutcomeBox &box) {
    switch (box.kind) {
        case kNoBox:
            return;
        case kWarningBox:
            ShowMessageBox(owner, box.text.c_str());
            return;
        case kNoticeBox:
            ShowMessageBox(owner, box.text.c_str(), kKovaraCaption, MB_OK | MB_ICONINFORMATION);
            return;
        case kErrorBox:
            ShowMessageBox(owner, box.text.c_str(), kKovaraCaption, MB_OK | MB_ICONERROR);
            return;
        case kSystemErrorBox:
            SetLastError(box.systemError);
            SystemErrorBox(owner, box.text.c_str());
            return;
        case kSystemTextBox:
            SetLastError(box.systemError);
            LastErrorBox(owner);
            return;
    }
}
