#include "token/operations/token_state.h"

TokenState g_token;
