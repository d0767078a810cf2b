#include "command_line.h"

#include <stdlib.h>

#include "command_table.h"
#include "refusal.h"

namespace {

struct ArgumentReader {
    const std::vector<std::string> &arguments;
    size_t next;

    bool More() const { return next < arguments.size(); }
    const std::string &Take() { return arguments[next++]; }
    std::string ValueOf(const std::string &option) {
        if (!More()) RefuseUsage("option " + option + " needs a value");
        return Take();
    }
};

long NumberOf(const std::string &option, const std::string &text) {
    char *end = nullptr;
    long value = strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || value < 0) RefuseUsage("option " + option + " needs a number, not \"" + text + "\"");
    return value;
}

// A descriptor number of --password-fd, --pin-fd or --key-fd.
int DescriptorOf(const std::string &option, const std::string &text) {
    long n = NumberOf(option, text);
    if (n > 1000000) RefuseUsage("option " + option + " needs a descriptor number, not \"" + text + "\"");
    return int(n);
}

bool Given(const SecretSource &source) { return source.fd >= 0 || !source.file.empty(); }

// stem is "--password" or "--pin"; one of its two forms, once.
void SetSecret(SecretSource &source, const std::string &stem, const std::string &option, const std::string &value) {
    if (Given(source)) RefuseUsage("give " + stem + "-file or " + stem + "-fd once");
    if (option == stem + "-fd") source.fd = DescriptorOf(option, value);
    else if (value.empty()) RefuseUsage(option + " needs a file name");
    else source.file = value;
}

void SetKeySource(Options &options, KeySourceKind kind) {
    if (options.keySource.kind != KeySourceKind::kNone && options.keySource.kind != kind)
        RefuseUsage("give one key source: --user-info, --split or --token");
    options.keySource.kind = kind;
}

void CheckComplete(const Options &options) {
    bool mounts = options.command == Command::kMount || options.command == Command::kUnmount;
    if (mounts && options.mountDir.empty()) RefuseUsage("give the folder DIR to mount at");
    if (options.command != Command::kMount && (options.readOnly || options.imageOnly || options.foreground))
        RefuseUsage("--read-only, --image-only and --foreground go with mount");
    if (options.command == Command::kUnmount) {
        if (!options.vaultPath.empty() || !options.userName.empty() || options.keySource.kind != KeySourceKind::kNone)
            RefuseUsage("unmount takes only the folder DIR");
        return;
    }
    if (options.vaultPath.empty()) RefuseUsage("--vault F.udf is required");
    if (options.userName.empty()) RefuseUsage("--user NAME is required");
    const KeySourceOptions &source = options.keySource;
    if (source.kind == KeySourceKind::kNone) RefuseUsage("a key source is required: --user-info, --split or --token");
    if (source.kind == KeySourceKind::kToken) {
        bool label = !source.tokenLabel.empty(), slot = source.slot >= 0;
        if (label == slot) RefuseUsage("--token needs either --token-label L or --slot N");
    } else if (!source.tokenLabel.empty() || source.slot >= 0 || Given(source.pin)) {
        RefuseUsage("--token-label, --slot, --pin-file and --pin-fd go with --token");
    }
    bool writes = options.command == Command::kExport || options.command == Command::kGet;
    if (writes && options.outputPath.empty()) RefuseUsage("-o FILE (or -o - for standard output) is required");
    if (!writes && (!options.outputPath.empty() || options.force))
        RefuseUsage("-o and --force go with export and get");
    if (options.command == Command::kGet && options.volumePath.empty()) RefuseUsage("get needs the PATH of a file");
    if (options.command != Command::kExport && options.threads) RefuseUsage("--threads goes with export");
    bool keyOut = !options.keyFile.empty() || options.keyFd >= 0;
    if (options.command == Command::kKey && !keyOut) RefuseUsage("key needs --key-file FILE or --key-fd N");
    if (options.command != Command::kKey && keyOut) RefuseUsage("--key-file and --key-fd go with key");
}

}  // namespace

Command CommandNamed(const std::string &name) {
    if (name == "--help" || name == "-h") return Command::kHelp;
    size_t count = 0;
    const CommandEntry *entries = CommandEntries(&count);
    for (size_t i = 0; i < count; i++)
        if (name == entries[i].name) return entries[i].command;
    return Command::kNone;
}

Options ParseCommandLine(const std::vector<std::string> &arguments) {
    Options options;
    if (arguments.empty()) RefuseUsage("no command given; see kovara-vault --help");
    options.command = CommandNamed(arguments[0]);
    if (options.command == Command::kNone) RefuseUsage("unknown command \"" + arguments[0] + "\"; see kovara-vault --help");
    ArgumentReader reader{arguments, 1};
    if (options.command == Command::kVersion) {
        if (reader.More()) RefuseUsage("--version takes no arguments");
        return options;
    }
    if (options.command == Command::kHelp) {
        if (reader.More()) options.helpTopic = reader.Take();
        return options;
    }
    const CommandEntry *entry = EntryOf(options.command);
    int operands = 0;
    while (reader.More()) {
        std::string a = reader.Take();
        KeySourceOptions &source = options.keySource;
        if (a == "--help" || a == "-h") {
            options.help = true;
            return options;
        } else if (a == "--vault") {
            options.vaultPath = reader.ValueOf(a);
        } else if (a == "--user") {
            options.userName = reader.ValueOf(a);
        } else if (a == "--password" || a == "--pin") {
            RefuseUsage(a + " is gone: a secret on the command line shows in the process list; give " + a +
                        "-file FILE or " + a + "-fd N, or leave it out to be asked");
        } else if (a == "--password-file" || a == "--password-fd") {
            SetSecret(options.password, "--password", a, reader.ValueOf(a));
        } else if (a == "--pin-file" || a == "--pin-fd") {
            SetSecret(source.pin, "--pin", a, reader.ValueOf(a));
        } else if (a == "--user-info") {
            SetKeySource(options, KeySourceKind::kWholeBackup);
            source.userInfoPath = reader.ValueOf(a);
        } else if (a == "--split") {
            SetKeySource(options, KeySourceKind::kSplitBackup);
            source.part1Path = reader.ValueOf(a);
            source.part2Path = reader.ValueOf(a);
        } else if (a == "--token") {
            SetKeySource(options, KeySourceKind::kToken);
            source.tokenLibrary = reader.ValueOf(a);
        } else if (a == "--token-label") {
            source.tokenLabel = reader.ValueOf(a);
        } else if (a == "--slot") {
            source.slot = NumberOf(a, reader.ValueOf(a));
        } else if (a == "--vault-info") {
            options.vaultInfoPath = reader.ValueOf(a);
        } else if (a == "--vault-path") {
            options.registeredPath = reader.ValueOf(a);
        } else if (a == "-o" || a == "--output") {
            options.outputPath = reader.ValueOf(a);
        } else if (a == "--key-file" || a == "--key-fd") {
            if (!options.keyFile.empty() || options.keyFd >= 0) RefuseUsage("give --key-file or --key-fd once");
            std::string value = reader.ValueOf(a);
            if (a == "--key-fd") options.keyFd = DescriptorOf(a, value);
            else if (value.empty()) RefuseUsage("--key-file needs a file name");
            else options.keyFile = value;
        } else if (a == "--force") {
            options.force = true;
        } else if (a == "--threads") {
            long n = NumberOf(a, reader.ValueOf(a));
            if (n < 1 || n > 256) RefuseUsage("--threads takes 1 to 256");
            options.threads = int(n);
        } else if (a == "--read-only") {
            options.readOnly = true;
        } else if (a == "--image-only") {
            options.imageOnly = true;
        } else if (a == "--foreground") {
            options.foreground = true;
        } else if (a.size() > 1 && a[0] == '-') {
            RefuseUsage("unknown option " + a);
        } else if (operands < entry->operands) {
            options.*entry->operand = a;
            operands++;
        } else {
            RefuseUsage("unexpected argument \"" + a + "\"");
        }
    }
    CheckComplete(options);
    return options;
}
