// Where export and get write: a new file (an existing one only with --force),
// or standard output. Decrypted data is created readable by its owner only.
#pragma once
#include <stddef.h>

#include <string>

#include "vault_proof.h"

struct OutputFile {
    int fd;
    std::string path;  // "-" for standard output
    bool ownFile;      // a file this run opened and may remove again
};

// Refuses an existing file without force, the vault and the key files read in
// any case, and a terminal as standard output.
OutputFile CreateOutput(const std::string &path, bool force, const VaultProof &proof);
// 1, or 0 with errno set.
int WriteOutput(const OutputFile &output, const unsigned char *bytes, size_t length);
// Closes; refuses when the last writes did not reach the file.
void FinishOutput(OutputFile *output);
// After a failure: closes and removes what this run wrote, so nothing half-done stays.
void AbandonOutput(OutputFile *output);
