#include "shell/state/open_vault.h"

OpenVaultState g_openVault = {};
