// key: the 32-byte vault key written for the kernel's dm-crypt, whose plain
// aes-cbc-plain64 mapping with 512-byte sectors is the vault's own sector
// chaining. The key opens the vault without the password, so it never goes to
// a terminal, and a file for it is new and readable by its owner only.
#pragma once
#include "command_line.h"
#include "vault_proof.h"

// To options.keyFile (refused when it exists) or options.keyFd.
void WriteVaultKey(const VaultProof &proof, const Options &options);
