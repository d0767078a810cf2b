#include "command_table.h"

#include "help_command.h"
#include "mount_command.h"
#include "proved_commands.h"

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

std::string CheckDetails() {
    return std::string("Proves the password with the user information (its identity block must open),\n"
                       "then that the key opens the vault: the vault's first sector must decrypt to a\n"
                       "boot sector (or, when it is damaged, the last one to NTFS's backup boot sector),\n"
                       "and with --vault-info the vault information file must match the first sector.\n"
                       "Prints what it proved; refuses with one line and exit status 1.\n\n") +
           kKeyOptions;
}

std::string ExportDetails() {
    return std::string("Runs the checks of \"check\", then streams the decrypted volume, sector by sector\n"
                       "in order, to IMAGE or standard output (-). The image mounts with\n"
                       "\"mount -o loop,ro IMAGE DIR\" or reads with ntfs-3g's tools.\n\n") +
           kKeyOptions +
           "  -o IMAGE|-             where the image goes; an existing file is refused\n"
           "  --force                replace an existing IMAGE (a new file is written\n"
           "                         beside it, then renamed over it)\n"
           "  --threads N            decryption threads (default: one per core)\n";
}

std::string ListDetails() {
    return std::string("Lists the folder PATH inside the vault (default /), one entry a line: \"d\" or \"-\",\n"
                       "the size in bytes and the name. A file PATH shows that file. Sectors are read\n"
                       "and decrypted on demand; no image is written.\n\n") +
           kKeyOptions;
}

std::string GetDetails() {
    return std::string("Copies the file PATH out of the vault to FILE or standard output (-).\n"
                       "Sectors are read and decrypted on demand; no image is written.\n\n") +
           kKeyOptions +
           "  -o FILE|-              where the copy goes; an existing file is refused\n"
           "  --force                replace an existing FILE\n";
}

std::string KeyDetails() {
    return std::string("Runs the checks of \"check\", then writes the vault key: 32 raw bytes, the key of\n"
                       "dm-crypt's plain aes-cbc-plain64 mapping of the container. Anyone with these 32\n"
                       "bytes opens the vault without the password: keep them off disks and terminals.\n\n") +
           kKeyOptions +
           "  --key-file F           a new file, readable by its owner only; an existing F is refused\n"
           "  --key-fd N             the open descriptor N (a pipe); a terminal is refused\n";
}

std::string MountDetails() {
    return std::string("Runs the checks of \"check\", then serves the decrypted volume as the file\n"
                       "\"volume\" in a private folder (FUSE) and mounts it at DIR with ntfs-3g, read and\n"
                       "write. Writes are encrypted and go straight to the vault; its first sector is\n"
                       "never changed. The vault is locked for the whole mount. Returns once DIR is\n"
                       "ready; \"kovara-vault unmount DIR\" (or fusermount3 -u DIR) ends the mount.\n\n") +
           kKeyOptions +
           "  --read-only            present the volume read-only; the vault is never opened for writing\n"
           "  --image-only           stop after the image: the decrypted volume is DIR/volume\n"
           "  --foreground           stay in the foreground until unmounted (SIGINT, SIGTERM unmount)\n";
}

std::string UnmountDetails() {
    return "Unmounts what \"kovara-vault mount\" mounted at DIR: ntfs-3g first, then the image;\n"
           "returns once the vault is synced and its lock dropped. After a crashed mount it\n"
           "also takes down the dead image.\n";
}

const CommandEntry kEntries[] = {
    {"check", Command::kCheck, CheckCommand, 0, nullptr, "",
     "--vault F.udf --user NAME KEY-SOURCE [options]",
     "prove user name, password and key source against a vault", CheckDetails},
    {"export", Command::kExport, ExportCommand, 0, nullptr, "",
     "--vault F.udf --user NAME KEY-SOURCE -o IMAGE|- [options]",
     "write the decrypted volume as a raw NTFS image", ExportDetails},
    {"ls", Command::kList, ListCommand, 1, &Options::volumePath, "PATH",
     "[PATH] --vault F.udf --user NAME KEY-SOURCE [options]",
     "list a folder (or show a file) inside the vault", ListDetails},
    {"get", Command::kGet, GetCommand, 1, &Options::volumePath, "PATH",
     "PATH -o FILE|- --vault F.udf --user NAME KEY-SOURCE [options]",
     "copy one file out of the vault", GetDetails},
    {"key", Command::kKey, KeyCommand, 0, nullptr, "",
     "--vault F.udf --user NAME KEY-SOURCE (--key-file F | --key-fd N)",
     "write the 32-byte vault key, for dm-crypt's aes-cbc-plain64", KeyDetails},
    {"mount", Command::kMount, MountCommand, 1, &Options::mountDir, "DIR",
     "DIR --vault F.udf --user NAME KEY-SOURCE [options]",
     "present the vault's volume at DIR, read and write (through ntfs-3g)", MountDetails},
    {"unmount", Command::kUnmount, UnmountCommand, 1, &Options::mountDir, "DIR", "DIR",
     "unmount it again: ntfs-3g, the image, then the vault is synced", UnmountDetails},
    {"help", Command::kHelp, HelpCommand, 1, &Options::helpTopic, "COMMAND", "[COMMAND]",
     "the options of a command (also: COMMAND --help)", nullptr},
    {"--version", Command::kVersion, VersionCommand, 0, nullptr, "", "", "the version of this tool", nullptr},
};

}  // namespace

const CommandEntry *CommandEntries(size_t *count) {
    *count = sizeof kEntries / sizeof kEntries[0];
    return kEntries;
}

const CommandEntry *EntryOf(Command command) {
    for (const CommandEntry &entry : kEntries)
        if (entry.command == command) return &entry;
    return nullptr;
}
