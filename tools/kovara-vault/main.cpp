// kovara-vault: checks, exports and reads Kovara vaults on Linux.
#include <stdio.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "export_volume.h"
#include "mount_command.h"
#include "refusal.h"
#include "secret_input.h"
#include "vault_proof.h"
#include "volume_files.h"

namespace {

int Run(const std::vector<std::string> &arguments) {
    Options options = ParseCommandLine(arguments);
    if (options.command == Command::kHelp) {
        Command topic = CommandNamed(options.helpTopic);
        if (!options.helpTopic.empty() && (topic == Command::kNone || topic == Command::kHelp))
            RefuseUsage("no help on \"" + options.helpTopic + "\"");
        fputs(HelpText(topic).c_str(), stdout);
        return 0;
    }
    if (options.help) {
        fputs(HelpText(options.command).c_str(), stdout);
        return 0;
    }

    if (options.command == Command::kMount) return MountCommand(options);
    if (options.command == Command::kUnmount) return UnmountCommand(options);

    VaultProof proof;
    try {
        ProveVault(options, &proof);
        WipeString(options.password);
        WipeString(options.keySource.pin);
        // What was proved goes where it cannot mix with exported bytes.
        FILE *report = options.command == Command::kCheck ? stdout : stderr;
        if (options.command == Command::kCheck || options.command == Command::kExport)
            for (const std::string &line : proof.proved) fprintf(report, "%s\n", line.c_str());
        switch (options.command) {
        case Command::kCheck:
            printf("check passed\n");
            break;
        case Command::kExport: {
            OutputFile output = CreateOutput(options.outputPath, options.force, proof);
            ExportVolume(proof, options.threads, &output);
            FinishOutput(&output);
            fprintf(stderr, "exported %llu bytes to %s\n", (unsigned long long)proof.vault.bytes,
                    options.outputPath == "-" ? "standard output" : options.outputPath.c_str());
            break;
        }
        case Command::kList: ListVolumePath(proof, options.volumePath); break;
        case Command::kGet: CopyVolumeFile(proof, options.volumePath, options.outputPath, options.force); break;
        default: break;
        }
    } catch (...) {
        ReleaseProof(&proof);
        throw;
    }
    ReleaseProof(&proof);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        return Run(arguments);
    } catch (const Refusal &refusal) {
        fflush(stdout);
        fprintf(stderr, "kovara-vault: %s\n", refusal.message.c_str());
        return refusal.status;
    }
}
