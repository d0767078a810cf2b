// The text a child process writes into a pipe.
#pragma once
#include <string>

// Reads fd to its end (interrupted reads are retried) and returns what came;
// a failed read ends it early.
std::string ReadToEnd(int fd);
