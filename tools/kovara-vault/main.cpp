// kovara-vault: checks, exports and reads Kovara vaults on Linux.
#include <stdio.h>

#include <exception>
#include <new>
#include <string>
#include <vector>

#include "command_line.h"
#include "command_table.h"
#include "help_command.h"
#include "refusal.h"
#include "secret_input.h"

namespace {

int Run(const std::vector<std::string> &arguments) {
    Options options = ParseCommandLine(arguments);
    if (options.help) {
        fputs(HelpText(options.command).c_str(), stdout);
        return 0;
    }
    return EntryOf(options.command)->handler(options);
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
