// help and --version: the texts made from the command table.
#pragma once
#include <string>

#include "command_line.h"

// The command's usage line and the rest of its help, or the overview (every
// command with its summary) for Command::kNone and commands without help of
// their own.
std::string HelpText(Command command);

// "help [COMMAND]": refuses a topic that names no command (or help itself).
int HelpCommand(const Options &options);
int VersionCommand(const Options &options);
