// The commands that prove the vault first and then read it: check, export,
// ls, get and key.
#pragma once
#include "command_line.h"

int CheckCommand(const Options &options);
int ExportCommand(const Options &options);
int ListCommand(const Options &options);
int GetCommand(const Options &options);
int KeyCommand(const Options &options);
