#include "help_command.h"

#include <stdio.h>

#include "command_table.h"
#include "refusal.h"

namespace {

const char kOverviewHead[] =
    "usage: kovara-vault COMMAND [options]\n"
    "\n"
    "Checks, exports, reads and mounts Kovara vaults without Windows. Only mount\n"
    "writes to the vault; nothing is written to the backups or the token.\n"
    "\n"
    "commands:\n";

// The name column of the overview: the name and its operand, then the summary.
const size_t kNameColumn = 14;

std::string Overview() {
    std::string text = kOverviewHead;
    size_t count = 0;
    const CommandEntry *entries = CommandEntries(&count);
    for (size_t i = 0; i < count; i++) {
        std::string name = entries[i].name;
        if (entries[i].operandName[0]) name = name + " " + entries[i].operandName;
        name.resize(name.size() < kNameColumn ? kNameColumn : name.size() + 1, ' ');
        text += "  " + name + entries[i].summary + "\n";
    }
    return text;
}

}  // namespace

std::string HelpText(Command command) {
    const CommandEntry *entry = EntryOf(command);
    if (!entry || !entry->details) return Overview();
    return std::string("usage: kovara-vault ") + entry->name + " " + entry->usage + "\n\n" + entry->details();
}

int HelpCommand(const Options &options) {
    const CommandEntry *topic = options.helpTopic.empty() ? nullptr : EntryOf(CommandNamed(options.helpTopic));
    if (!options.helpTopic.empty() && (!topic || topic->command == Command::kHelp))
        RefuseUsage("no help on \"" + options.helpTopic + "\"");
    fputs(HelpText(topic ? topic->command : Command::kNone).c_str(), stdout);
    return 0;
}

int VersionCommand(const Options &) {
    printf("kovara-vault %s\n", KOVARA_VAULT_VERSION);
    return 0;
}
