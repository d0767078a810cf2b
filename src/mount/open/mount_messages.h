// The boxes of the open sequence's outcomes, texts as the user sees them.
#pragma once
#include <windows.h>

#include "mount/core/mount_outcome.h"
#include "shell/ui/outcome_box.h"

OutcomeBox MountOutcomeBox(const MountResult &result);
// The owner of the outcome's box: none for the "My Documents" notice, whose
// caller's window may already be hidden by then; else owner.
HWND MountOutcomeOwner(HWND owner, const MountResult &result);
// Shows the outcome's box.
void ShowMountOutcome(HWND owner, const MountResult &result);
