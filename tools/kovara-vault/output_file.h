// Where export, get and key write: standard output, or a new file created
// beside the target, readable by its owner only, flushed to the disk and only
// then renamed over the target. A link at the target is replaced, never
// followed, and a failure at any step leaves the old target as it was.
#pragma once
#include <stddef.h>

#include <string>

#include "vault_proof.h"

struct OutputFile {
    int fd = -1;
    std::string path;         // the target; "-" for standard output
    std::string partialPath;  // the new file being written, empty when there is none
    bool replace = false;     // --force: the rename may replace an existing target

    OutputFile() = default;
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    // Whatever way the command ends, an unfinished new file goes.
    ~OutputFile();
};

// Refuses an existing target without force, an existing target that is no
// regular file or link, the vault and the key files read (also through a
// link), and a terminal as standard output.
void CreateOutput(const std::string &path, bool force, const VaultProof &proof, OutputFile *output);
// 1, or 0 with errno set.
int WriteOutput(const OutputFile &output, const unsigned char *bytes, size_t length);
// Flushes and closes the new file and renames it over the target; refuses
// (and removes the new file) when any of it fails.
void FinishOutput(OutputFile *output);
// After a failure: closes and removes the new file; the target is untouched.
void AbandonOutput(OutputFile *output);
// "standard output" or the target's path, for messages.
std::string OutputName(const OutputFile &output);
