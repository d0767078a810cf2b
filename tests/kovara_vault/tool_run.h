// Helpers the recovery tool's tests share: the outcome of one run of a
// command, shell quoting of an argument, and a whole file read back.
#pragma once
#include <fstream>
#include <sstream>
#include <string>

struct ToolRun {
    int status;
    std::string out, err;
};

inline std::string Quote(const std::string &text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
