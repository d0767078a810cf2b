// Streams the decrypted volume: worker threads read large runs of the vault
// with pread and decrypt them, each on its own core; the runs are written in
// order, so the output is the volume byte for byte.
#pragma once
#include "output_file.h"
#include "vault_proof.h"

// threads 0: one per core. Refuses on a read or write failure.
void ExportVolume(const VaultProof &proof, int threads, OutputFile *output);
