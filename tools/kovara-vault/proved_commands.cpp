#include "proved_commands.h"

#include <stdio.h>

#include <string>

#include "export_volume.h"
#include "output_file.h"
#include "vault_key_output.h"
#include "vault_proof.h"
#include "volume_files.h"

namespace {

// Proves the vault, prints what was proved to report (nowhere when null, so
// that it cannot mix with a listing or a file's bytes), runs the work, and
// releases the proof on every way out.
int RunProved(const Options &options, FILE *report, void (*work)(const Options &, const VaultProof &)) {
    VaultProof proof;
    try {
        ProveVault(options, &proof);
        if (report)
            for (const std::string &line : proof.proved) fprintf(report, "%s\n", line.c_str());
        work(options, proof);
    } catch (...) {
        ReleaseProof(&proof);
        throw;
    }
    ReleaseProof(&proof);
    return 0;
}

void Check(const Options &, const VaultProof &) { printf("check passed\n"); }

void Export(const Options &options, const VaultProof &proof) {
    OutputFile output;
    CreateOutput(options.outputPath, options.force, proof, &output);
    ExportVolume(proof, options.threads, &output);
    FinishOutput(&output);
    fprintf(stderr, "exported %llu bytes to %s\n", (unsigned long long)proof.vault.bytes, OutputName(output).c_str());
}

void List(const Options &options, const VaultProof &proof) { ListVolumePath(proof, options.volumePath); }

void Get(const Options &options, const VaultProof &proof) {
    CopyVolumeFile(proof, options.volumePath, options.outputPath, options.force);
}

void Key(const Options &options, const VaultProof &proof) {
    WriteVaultKey(proof, options);
    fprintf(stderr, "wrote the vault key (%u bytes) to %s\n", unsigned(sizeof proof.vaultKey),
            options.keyFd >= 0 ? ("descriptor " + std::to_string(options.keyFd)).c_str() : options.keyFile.c_str());
}

}  // namespace

int CheckCommand(const Options &options) { return RunProved(options, stdout, Check); }
int ExportCommand(const Options &options) { return RunProved(options, stderr, Export); }
int ListCommand(const Options &options) { return RunProved(options, nullptr, List); }
int GetCommand(const Options &options) { return RunProved(options, nullptr, Get); }
int KeyCommand(const Options &options) { return RunProved(options, stderr, Key); }
