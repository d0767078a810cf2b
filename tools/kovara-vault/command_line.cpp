#include "command_line.h"

#include <stdlib.h>

#include "refusal.h"

namespace {

const char kKeyOptions[] =
    "  --vault F.udf          the vault (container) file; opened read-only\n"
    "  --user NAME            the user name\n"
    "  --password P           the user's password (asked without echo when left out)\n"
    "  one key source:\n"
    "    --user-info F.user              whole backup of the user information (852 bytes)\n"
    "    --split P1.kovdev P2.kovdev     split backup, part 1 then part 2 (426 bytes each)\n"
    "    --token LIB.so                  a PKCS#11 library, with --token-label L or --slot N;\n"
    "                                    --pin P (asked without echo when left out)\n"
    "  --vault-info F.vault   check the vault information file (512 bytes) as well\n"
    "  --vault-path WINPATH   also require the path the vault was registered under on\n"
    "                         Windows (compared without regard to letter case)\n";

const char kOverview[] =
    "usage: kovara-vault COMMAND [options]\n"
    "\n"
    "Checks, exports and reads Kovara vaults without Windows. Nothing is ever\n"
    "written to the vault, the backups or the token.\n"
    "\n"
    "commands:\n"
    "  check         prove user name, password and key source against a vault\n"
    "  export        write the decrypted volume as a raw NTFS image\n"
    "  ls PATH       list a folder (or show a file) inside the vault\n"
    "  get PATH      copy one file out of the vault\n"
    "  mount DIR     present the vault's volume at DIR, read and write (through ntfs-3g)\n"
    "  unmount DIR   unmount it again: ntfs-3g, the image, then the vault is synced\n"
    "  help COMMAND  the options of a command (also: COMMAND --help)\n";

std::string CheckHelp() {
    return std::string("usage: kovara-vault check --vault F.udf --user NAME KEY-SOURCE [options]\n\n"
                       "Proves the password with the user information (its identity block must open),\n"
                       "then that the key opens the vault: the vault's first sector must decrypt to a\n"
                       "boot sector (or, when it is damaged, the last one to NTFS's backup boot sector),\n"
                       "and with --vault-info the vault information file must match the first sector.\n"
                       "Prints what it proved; refuses with one line and exit status 1.\n\n") +
           kKeyOptions;
}

std::string ExportHelp() {
    return std::string("usage: kovara-vault export --vault F.udf --user NAME KEY-SOURCE -o IMAGE|- [options]\n\n"
                       "Runs the checks of \"check\", then streams the decrypted volume, sector by sector\n"
                       "in order, to IMAGE or standard output (-). The image mounts with\n"
                       "\"mount -o loop,ro IMAGE DIR\" or reads with ntfs-3g's tools.\n\n") +
           kKeyOptions +
           "  -o IMAGE|-             where the image goes; an existing file is refused\n"
           "  --force                overwrite an existing IMAGE\n"
           "  --threads N            decryption threads (default: one per core)\n";
}

std::string ListHelp() {
    return std::string("usage: kovara-vault ls [PATH] --vault F.udf --user NAME KEY-SOURCE [options]\n\n"
                       "Lists the folder PATH inside the vault (default /), one entry a line: \"d\" or \"-\",\n"
                       "the size in bytes and the name. A file PATH shows that file. Sectors are read\n"
                       "and decrypted on demand; no image is written.\n\n") +
           kKeyOptions;
}

std::string GetHelp() {
    return std::string("usage: kovara-vault get PATH -o FILE|- --vault F.udf --user NAME KEY-SOURCE [options]\n\n"
                       "Copies the file PATH out of the vault to FILE or standard output (-).\n"
                       "Sectors are read and decrypted on demand; no image is written.\n\n") +
           kKeyOptions +
           "  -o FILE|-              where the copy goes; an existing file is refused\n"
           "  --force                overwrite an existing FILE\n";
}

std::string MountHelp() {
    return std::string("usage: kovara-vault mount DIR --vault F.udf --user NAME KEY-SOURCE [options]\n\n"
                       "Runs the checks of \"check\", then serves the decrypted volume as the file\n"
                       "\"volume\" in a private folder (FUSE) and mounts it at DIR with ntfs-3g, read and\n"
                       "write. Writes are encrypted and go straight to the vault; its first sector is\n"
                       "never changed. The vault is locked for the whole mount. Returns once DIR is\n"
                       "ready; \"kovara-vault unmount DIR\" (or fusermount3 -u DIR) ends the mount.\n\n") +
           kKeyOptions +
           "  --read-only            present the volume read-only; the vault is never opened for writing\n"
           "  --image-only           stop after the image: the decrypted volume is DIR/volume\n"
           "  --foreground           stay in the foreground until unmounted (SIGINT, SIGTERM unmount)\n";
}

std::string UnmountHelp() {
    return "usage: kovara-vault unmount DIR\n\n"
           "Unmounts what \"kovara-vault mount\" mounted at DIR: ntfs-3g first, then the image;\n"
           "returns once the vault is synced and its lock dropped. After a crashed mount it\n"
           "also takes down the dead image.\n";
}

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
    } else if (!source.tokenLabel.empty() || source.slot >= 0 || source.pinGiven) {
        RefuseUsage("--token-label, --slot and --pin go with --token");
    }
    bool writes = options.command == Command::kExport || options.command == Command::kGet;
    if (writes && options.outputPath.empty()) RefuseUsage("-o FILE (or -o - for standard output) is required");
    if (!writes && (!options.outputPath.empty() || options.force))
        RefuseUsage("-o and --force go with export and get");
    if (options.command == Command::kGet && options.volumePath.empty()) RefuseUsage("get needs the PATH of a file");
    if (options.command != Command::kExport && options.threads) RefuseUsage("--threads goes with export");
}

}  // namespace

Command CommandNamed(const std::string &name) {
    if (name == "check") return Command::kCheck;
    if (name == "export") return Command::kExport;
    if (name == "ls") return Command::kList;
    if (name == "get") return Command::kGet;
    if (name == "mount") return Command::kMount;
    if (name == "unmount") return Command::kUnmount;
    if (name == "help" || name == "--help" || name == "-h") return Command::kHelp;
    return Command::kNone;
}

std::string HelpText(Command command) {
    switch (command) {
    case Command::kCheck: return CheckHelp();
    case Command::kExport: return ExportHelp();
    case Command::kList: return ListHelp();
    case Command::kGet: return GetHelp();
    case Command::kMount: return MountHelp();
    case Command::kUnmount: return UnmountHelp();
    default: return kOverview;
    }
}

Options ParseCommandLine(const std::vector<std::string> &arguments) {
    Options options;
    if (arguments.empty()) RefuseUsage("no command given; see kovara-vault --help");
    options.command = CommandNamed(arguments[0]);
    if (options.command == Command::kNone) RefuseUsage("unknown command \"" + arguments[0] + "\"; see kovara-vault --help");
    ArgumentReader reader{arguments, 1};
    if (options.command == Command::kHelp) {
        if (reader.More()) options.helpTopic = reader.Take();
        return options;
    }
    bool pathTaken = false;
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
        } else if (a == "--password") {
            options.password = reader.ValueOf(a);
            options.passwordGiven = true;
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
        } else if (a == "--pin") {
            source.pin = reader.ValueOf(a);
            source.pinGiven = true;
        } else if (a == "--vault-info") {
            options.vaultInfoPath = reader.ValueOf(a);
        } else if (a == "--vault-path") {
            options.registeredPath = reader.ValueOf(a);
        } else if (a == "-o" || a == "--output") {
            options.outputPath = reader.ValueOf(a);
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
        } else if ((options.command == Command::kList || options.command == Command::kGet) && !pathTaken) {
            options.volumePath = a;
            pathTaken = true;
        } else if ((options.command == Command::kMount || options.command == Command::kUnmount) && !pathTaken) {
            options.mountDir = a;
            pathTaken = true;
        } else {
            RefuseUsage("unexpected argument \"" + a + "\"");
        }
    }
    CheckComplete(options);
    return options;
}
