#include "token/token_state.h"

TokenState g_token;
