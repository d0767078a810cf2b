#include "shell/open_vault.h"

OpenVaultState g_openVault = {};
