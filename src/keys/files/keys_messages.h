// The boxes of the key operations' outcomes, texts as the user sees them.
#pragma once
#include <windows.h>

#include "keys/core/keys_outcome.h"
#include "shell/ui/outcome_box.h"
#include "token/operations/token_key_keep.h"

OutcomeBox KeysOutcomeBox(const KeysResult &result);
void ShowKeysOutcome(HWND owner, const KeysResult &result);
// What the change of password says when the token could not take the new record.
TokenKeyTexts PasswordChangeTokenKeyTexts();
