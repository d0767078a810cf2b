// A private copy of the software token library in a temporary folder, with
// its configuration written by the test.
#pragma once
#include <string>

struct SoftTokenFolder {
    std::string dir;  // with a trailing separator

    SoftTokenFolder();
    ~SoftTokenFolder();
    // Copies the software token into the folder as name (+ .dll or .so) and
    // returns the copy's path.
    std::string Library(const std::string &name);
    // Writes name.conf beside the copy.
    void Configure(const std::string &name, const std::string &text);
    // The call log (one "call result" line per call) and its removal.
    std::string ReadFile(const std::string &file) const;
    void Remove(const std::string &file) const;
};

// A slot section for a configuration.
std::string SoftSlotSection(const std::string &serial, const std::string &extra = "", const std::string &pin = "1234");
