// The commands of kovara-vault in one table: the parser finds a command and
// its operands there, main dispatches through it, help prints its overview
// and each command's usage from it, and the manual's synopsis repeats its
// usage lines (a test compares the two).
#pragma once
#include <stddef.h>

#include <string>

#include "command_line.h"

struct CommandEntry {
    const char *name;  // as typed: "check", "--version"
    Command command;
    int (*handler)(const Options &options);
    // The words after the name that are not options: at most how many, where
    // the parser puts the first, and what the overview calls it.
    int operands;
    std::string Options::*operand;
    const char *operandName;
    // What follows "kovara-vault NAME" on its usage line; empty for none.
    const char *usage;
    const char *summary;  // its line in the overview
    // The rest of its help, after the usage line and a blank line; null for
    // a command whose help is the overview.
    std::string (*details)();
};

// The entries in the order of the overview and the manual's synopsis.
const CommandEntry *CommandEntries(size_t *count);
// The entry of a command, null for Command::kNone.
const CommandEntry *EntryOf(Command command);
