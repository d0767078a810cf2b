// The options of every command, parsed from argv into one plain structure.
#pragma once
#include <string>
#include <vector>

enum class Command { kNone, kHelp, kVersion, kCheck, kExport, kList, kGet, kKey, kMount, kUnmount };

enum class KeySourceKind { kNone, kWholeBackup, kSplitBackup, kToken };

// Where a password or PIN comes from when not asked for: a file or an open
// descriptor, never the command line (which the process list shows).
struct SecretSource {
    std::string file;  // --password-file, --pin-file
    int fd = -1;       // --password-fd, --pin-fd
};

struct KeySourceOptions {
    KeySourceKind kind = KeySourceKind::kNone;
    std::string userInfoPath;         // --user-info
    std::string part1Path, part2Path; // --split
    std::string tokenLibrary;         // --token
    std::string tokenLabel;           // --token-label
    long slot = -1;                   // --slot
    SecretSource pin;                 // --pin-file, --pin-fd
};

struct Options {
    Command command = Command::kNone;
    bool help = false;         // --help after a command
    std::string helpTopic;     // "help COMMAND"
    std::string vaultPath;     // --vault
    std::string userName;      // --user
    SecretSource password;     // --password-file, --password-fd
    KeySourceOptions keySource;
    std::string vaultInfoPath;  // --vault-info
    std::string registeredPath; // --vault-path: the path the vault was registered under on Windows
    std::string outputPath;     // -o
    bool force = false;         // --force
    int threads = 0;            // --threads, 0: one per core
    std::string volumePath;     // PATH of ls and get
    std::string keyFile;        // --key-file of key
    int keyFd = -1;             // --key-fd of key
    std::string mountDir;       // DIR of mount and unmount
    bool readOnly = false;      // --read-only
    bool imageOnly = false;     // --image-only
    bool foreground = false;    // --foreground
};

// Fills options from the arguments after the program name; refuses with a
// usage message on anything it does not understand.
Options ParseCommandLine(const std::vector<std::string> &arguments);

// Command named by text, kNone when unknown.
Command CommandNamed(const std::string &name);
