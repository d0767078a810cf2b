#include "token/operations/token_state.h"

SelectedToken g_selectedToken;
char g_defaultTokenName[kTokenNameLimit];
TokenBinding g_tokenBinding;
unsigned char g_tokenKeyBuffer[kTokenKeySize];

int g_tokenSetupNotCompleted;
int g_tokenAuthorisationNotCompleted;
int g_tokenHoldsKey;
int g_tokenUseNotAuthorised;
