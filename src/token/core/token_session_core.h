// A logged-in read/write session on one particular token, found by its
// manufacturer ID and serial number among the connected ones.
#pragma once
#include "token/core/token_binding.h"

// On kTokenOk the library stays bound in binding with the session open and the
// user logged in; on failure nothing is left bound. On kTokenMismatch,
// connected receives the identity of the token that was found instead.
TokenOutcome OpenSessionOnToken(const char *path, const char *manufacturerId, const char *serialNumber, const char *pin,
                                TokenBinding *binding, TokenIdentity *connected);
// Logs out, finalises (which closes the session) and unloads. Results ignored.
void CloseSessionOnToken(TokenBinding *binding);
