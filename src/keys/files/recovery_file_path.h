// Where a user's password-recovery file lives.
#pragma once
#include <stddef.h>

// Program folder + "\PRF\" + user name + ".prf"; 0 when it does not fit.
int RecoveryFilePathOf(const char *userName, char *path, size_t pathSize);
