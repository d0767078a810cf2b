// Build step: writes the manual page from its template, with the SYNOPSIS
// made from the command table's usage lines, so that the manual cannot name
// a command or an operand the tool does not have.
//   man_synopsis TEMPLATE OUTPUT   (the line "@SYNOPSIS@" is replaced)
#include <stdio.h>

#include <fstream>
#include <sstream>
#include <string>

#include "command_table.h"

namespace {

// Escapes a word for roff: a hyphen is \- (a minus, so that the page can be
// searched and copied), a backslash \e.
std::string Escaped(const std::string &word) {
    std::string out;
    for (char c : word) {
        if (c == '-') out += "\\-";
        else if (c == '\\') out += "\\e";
        else out += c;
    }
    return out;
}

// One word of a usage line in the manual's fonts: options bold, the values
// the user supplies italic, the brackets, parentheses and bars of the
// grammar roman.
std::string Styled(const std::string &word) {
    std::string out, run;
    auto flush = [&] {
        if (run.empty()) return;
        out += (run[0] == '-' ? "\\fB" : "\\fI") + Escaped(run) + "\\fR";
        run.clear();
    };
    for (char c : word) {
        if (c == '[' || c == ']' || c == '(' || c == ')' || c == '|') {
            flush();
            out += c;
        } else {
            run += c;
        }
    }
    flush();
    return out;
}

std::string SynopsisLine(const CommandEntry &entry) {
    std::string line = "\\fBkovara\\-vault " + Escaped(entry.name) + "\\fR";
    std::istringstream words(entry.usage);
    for (std::string word; words >> word;) line += " " + Styled(word);
    return line;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: man_synopsis TEMPLATE OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    std::ostringstream page;
    bool replaced = false;
    for (std::string line; std::getline(in, line);) {
        if (line != "@SYNOPSIS@") {
            page << line << "\n";
            continue;
        }
        size_t count = 0;
        const CommandEntry *entries = CommandEntries(&count);
        for (size_t i = 0; i < count; i++) page << (i ? ".br\n" : "") << SynopsisLine(entries[i]) << "\n";
        replaced = true;
    }
    if (!in.eof() || !replaced) {
        fprintf(stderr, "man_synopsis: %s has no line @SYNOPSIS@ or cannot be read\n", argv[1]);
        return 1;
    }
    std::ofstream out(argv[2], std::ios::trunc);
    out << page.str();
    out.close();
    if (!out) {
        fprintf(stderr, "man_synopsis: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
