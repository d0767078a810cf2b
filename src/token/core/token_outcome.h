// Outcome codes of the portable token operations. The Win32 layer turns each
// into its message; kTokenOk is success.
#pragma once

enum TokenOutcome {
    kTokenOk = 0,
    // Binding a library.
    kTokenFileNotAccessible,
    kTokenLoadFailed,
    kTokenNoGetFunctionList,
    kTokenNoFunctionList,
    kTokenInitializeFailed,
    kTokenSlotCountFailed,
    kTokenNoSlot,
    kTokenPresentCountFailed,
    kTokenNoPresentSlot,
    kTokenNoMemory,
    kTokenPresentListFailed,
    kTokenPresentListEmpty,
    // Slot and token information.
    kTokenNoSlotInfo,
    kTokenNoTokenInfo,
    kTokenNoConnectedSlotInfo,
    kTokenNoConnectedTokenInfo,
    // Choosing and matching a token.
    kTokenAllDeclined,
    kTokenMismatch,
    kTokenNotFoundConnected,
    // Session.
    kTokenOpenSessionFailed,
    kTokenLoginFailed,
    // The key object.
    kTokenFindInitFailed,
    kTokenFindFailed,
    kTokenNoKeyObject,
    kTokenFindFinalFailed,
    kTokenSizeFailed,
    kTokenValueNoMemory,
    kTokenValueFailed,
    kTokenKeyNotOk,
    kTokenNotKovaraKey,
    kTokenDeviceMemory,
    kTokenCreateFailed,
    kTokenDestroyFailed,
};
