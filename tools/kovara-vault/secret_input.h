// Secrets not given on the command line: asked on the terminal without echo,
// or read as one line from standard input when there is no terminal.
#pragma once
#include <string>

// prompt is shown on the terminal only. Refuses when nothing can be read.
std::string AskSecret(const std::string &prompt, const std::string &what);

// Overwrites the string's characters before it is dropped.
void WipeString(std::string &secret);
