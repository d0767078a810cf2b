// kovara-vault: checks, exports and reads Kovara vaults on Linux.
#include <stdio.h>

#include <exception>
#include <new>
#include <string>
#include <vector>

#include "command_line.h"
#include "export_volume.h"
#include "mount_command.h"
#include "refusal.h"
#include "output_file.h"
#include "secret_input.h"
#include "vault_key_output.h"
#include "vault_proof.h"
#include "volume_files.h"

namespace {

int Run(const std::vector<std::string> &arguments) {
    Options options = ParseCommandLine(arguments);
    if (options.command == Command::kVersion) {
        printf("kovara-vault %s\n", KOVARA_VAULT_VERSION);
        return 0;
    }
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
        // What was proved goes where it cannot mix with exported bytes.
        FILE *report = options.command == Command::kCheck ? stdout : stderr;
        if (options.command != Command::kList && options.command != Command::kGet)
            for (const std::string &line : proof.proved) fprintf(report, "%s\n", line.c_str());
        switch (options.command) {
        case Command::kCheck:
            printf("check passed\n");
            break;
        case Command::kExport: {
            OutputFile output;
            CreateOutput(options.outputPath, options.force, proof, &output);
            ExportVolume(proof, options.threads, &output);
            FinishOutput(&output);
            fprintf(stderr, "exported %llu bytes to %s\n", (unsigned long long)proof.vault.bytes,
                    OutputName(output).c_str());
            break;
        }
        case Command::kKey:
            WriteVaultKey(proof, options);
            fprintf(stderr, "wrote the vault key (%u bytes) to %s\n", unsigned(sizeof proof.vaultKey),
                    options.keyFd >= 0 ? ("descriptor " + std::to_string(options.keyFd)).c_str() : options.keyFile.c_str());
            break;
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

// Every failure ends in one line and a non-zero status; by then the stack has
// been unwound, so an unfinished output file is gone and every key wiped.
int Stop(const std::string &message, int status) {
    fflush(stdout);
    fprintf(stderr, "kovara-vault: %s\n", message.c_str());
    return status;
}

}  // namespace

int main(int argc, char **argv) {
    // Before any secret is read: no core file or debugger may see the key.
    StopDumps();
    try {
        std::vector<std::string> arguments(argv + 1, argv + argc);
        return Run(arguments);
    } catch (const Refusal &refusal) {
        return Stop(refusal.message, refusal.status);
    } catch (const std::bad_alloc &) {
        return Stop("not enough memory", kExitRefused);
    } catch (const std::exception &failure) {
        return Stop(std::string("unexpected failure: ") + failure.what(), kExitRefused);
    } catch (...) {
        return Stop("unexpected failure", kExitRefused);
    }
}
