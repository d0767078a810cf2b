#include "command_line.h"

#include <stdlib.h>

#include "refusal.h"

namespace {

const char kKeyOptions[] =
    "  --vault F.udf          the vault (container) file; opened read-only\n"
    "  --user NAME            the user name\n"
    "  --password-file F      read the user's password from the first line of F\n"
    "  --password-fd N        read it from the first line of the open descriptor N\n"
    "                         (without either: asked without echo, or one line of\n"
    "                         standard input when that is no terminal)\n"
    "  one key source:\n"
    "    --user-info F.user              whole backup of the user information (852 bytes)\n"
    "    --split P1.kovdev P2.kovdev     split backup, part 1 then part 2 (426 bytes each)\n"
    "    --token LIB.so                  a PKCS#11 library, with --token-label L or --slot N;\n"
    "                                    --pin-file F or --pin-fd N (else asked\n"
    "                                    like the password)\n"
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
    "  key           write the 32-byte vault key, for dm-crypt's aes-cbc-plain64\n"
    "  mount DIR     present the vault's volume at DIR, read and write (through ntfs-3g)\n"
    "  unmount DIR   unmount it again: ntfs-3g, the image, then the vault is synced\n"
    "  help COMMAND  the options of a command (also: COMMAND --help)\n"
    "  --version     the version of this tool\n";

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
           "  --force                replace an existing IMAGE (a new file is written\n"
           "                         beside it, then renamed over it)\n"
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
           "  --force                replace an existing FILE\n";
}

std::string KeyHelp() {
    return std::string("usage: kovara-vault key --vault F.udf --user NAME KEY-SOURCE (--key-file F | --key-fd N)\n\n"
                       "Runs the checks of \"check\", then writes the vault key: 32 raw bytes, the key of\n"
                       "dm-crypt's plain aes-cbc-plain64 mapping of the container. Anyone with these 32\n"
                       "bytes opens the vault without the password: keep them off disks and terminals.\n\n") +
           kKeyOptions +
           "  --key-file F           a new file, readable by its owner only; an existing F is refused\n"
           "  --key-fd N             the open descriptor N (a pipe); a terminal is refused\n";
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
    if (name == "check") return Command::kCheck;
    if (name == "export") return Command::kExport;
    if (name == "ls") return Command::kList;
    if (name == "get") return Command::kGet;
    if (name == "key") return Command::kKey;
    if (name == "--version") return Command::kVersion;
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
    case Command::kKey: return KeyHelp();
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
    if (options.command == Command::kVersion) {
        if (reader.More()) RefuseUsage("--version takes no arguments");
        return options;
    }
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
