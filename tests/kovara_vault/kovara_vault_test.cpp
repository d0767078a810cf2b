// kovara-vault end to end: a vault is made from an NTFS image built with
// mkntfs and ntfscp, its record stored on a SoftHSM2 token, and the tool is run
// as a user would run it. Every refusal is checked by its exact line.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tool_run.h"

#include "token/core/token_binding.h"
#include "token/core/token_key_object.h"

namespace {

const char kSoftHsm[] = "/usr/lib/softhsm/libsofthsm2.so";
const char kPassword[] = "Correct horse 7";
const char kPin[] = "2468";

void WriteAll(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

int Shell(const std::string &command) {
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool StoreRecordOnToken(const char *label, const std::string &record);

class KovaraVault : public ::testing::Test {
protected:
    static std::string dir_, image_, alice_, bob_;

    // One vault for the whole suite: making it is the slow part.
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/kovara-vault-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
        // mkntfs and ntfscp live in the administrator's folders.
        setenv("PATH", (std::string("/usr/sbin:/sbin:") + getenv("PATH")).c_str(), 1);
        image_ = dir_ + "/plain.ntfs";
        alice_ = dir_ + "/alice";
        bob_ = dir_ + "/bob";
        ASSERT_EQ(0, Shell("mkdir -p " + alice_ + " " + bob_ + " " + dir_ + "/tokens"));
        WriteAll(dir_ + "/softhsm2.conf",
                 "directories.tokendir = " + dir_ + "/tokens\nobjectstore.backend = file\nlog.level = ERROR\n");
        setenv("SOFTHSM2_CONF", (dir_ + "/softhsm2.conf").c_str(), 1);
        for (const char *label : {"Kovara Alice", "Spare", "Two Keys"})
            ASSERT_EQ(0, Shell(std::string("softhsm2-util --init-token --free --label '") + label + "' --pin " + kPin +
                               " --so-pin 97531 >/dev/null"));

        // The volume: a small text file held in its record, a larger one
        // spread over clusters, and one in a folder.
        std::string photo;
        for (int i = 0; i < 300 * 1024; i++) photo += char((i * 131 + i / 977) & 0xFF);
        WriteAll(dir_ + "/photo.bin", photo);
        WriteAll(dir_ + "/notes.txt", "Meet at the old mill at noon.\n");
        ASSERT_EQ(
            0, Shell("truncate -s 8M " + image_ + " && mkntfs -q -F -f -s 512 -c 4096 -L Kovara " + image_ +
                     " && ntfscp -q " + image_ + " " + dir_ + "/photo.bin /photo.bin && ntfscp -q " + image_ + " " +
                     dir_ + "/notes.txt /Notes.txt && " + NTFS_MKDIR + " " + image_ + " / 'Tax Papers' && ntfscp -q " +
                     image_ + " " + dir_ + "/notes.txt '/Tax Papers/2006.txt'"));

        const std::string make = MAKE_TEST_VAULT;
        ASSERT_EQ(
            0, Shell(make + " " + image_ + " " + alice_ + " alice " + Quote(kPassword) +
                     " 'C:\\Program Files\\Kovara\\Vault\\Kovara_alice.udf' " + kSoftHsm + " 'Kovara Alice' " + kPin));
        ASSERT_EQ(0,
                  Shell(make + " " + image_ + " " + bob_ + " bob other-password 'C:\\Kovara\\Vault\\Kovara_bob.udf' " +
                        kSoftHsm + " 'Two Keys' " + kPin));
        // A key replacement cut short leaves a second key object: alice's
        // record beside bob's on the same token.
        ASSERT_TRUE(StoreRecordOnToken("Two Keys", ReadAll(alice_ + "/KovdevTokenKey.user")));
    }

    static void TearDownTestSuite() { Shell("rm -rf " + dir_); }

    // redirections: more descriptors for the tool ("3<FILE"); limits: shell
    // commands run before it in the same shell ("ulimit -f 64").
    static ToolRun Tool(const std::vector<std::string> &arguments, const std::string &input = "",
                        const std::string &redirections = "", const std::string &limits = "") {
        std::string command = KOVARA_VAULT;
        for (const std::string &a : arguments) command += " " + Quote(a);
        WriteAll(dir_ + "/stdin", input);
        command += " " + redirections + " <" + dir_ + "/stdin >" + dir_ + "/stdout 2>" + dir_ + "/stderr";
        if (!limits.empty()) command = "(" + limits + "; exec " + command + ")";
        int status = Shell(command);
        return ToolRun{status, ReadAll(dir_ + "/stdout"), ReadAll(dir_ + "/stderr")};
    }

    // The vault, user and key files of alice, with the key source given.
    static std::vector<std::string> Alice(const std::vector<std::string> &source, const char *password = kPassword) {
        std::vector<std::string> a = {"--vault", alice_ + "/Kovara_alice.udf", "--user", "alice"};
        if (password) a.insert(a.end(), {"--password-file", SecretFile(password)});
        a.insert(a.end(), source.begin(), source.end());
        return a;
    }

    static std::vector<std::string> Whole() { return {"--user-info", alice_ + "/KovdevTokenKey.user"}; }

    static std::vector<std::string> Command(const std::string &name, std::vector<std::string> rest) {
        rest.insert(rest.begin(), name);
        return rest;
    }

    // A file holding one secret as its line, named after it.
    static std::string SecretFile(const std::string &secret) {
        std::string path = dir_ + "/secret-" + std::to_string(std::hash<std::string>()(secret));
        WriteAll(path, secret + "\n");
        return path;
    }

    static std::string Refusal(const std::string &line) { return "kovara-vault: " + line + "\n"; }

    // The shell line that loads the fault library into the tool; under the
    // address sanitizer it goes ahead of the sanitizer's runtime.
    static std::string ToolFaults() {
        return std::string("export LD_PRELOAD=") + TOOL_FAULTS +
               " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\"";
    }
};

std::string KovaraVault::dir_, KovaraVault::image_, KovaraVault::alice_, KovaraVault::bob_;

// Adds one more key object holding record to the token with this label.
bool StoreRecordOnToken(const char *label, const std::string &record) {
    TokenBinding binding;
    if (record.size() != kTokenRecordSize || BindTokenLibrary(kSoftHsm, 1, &binding) != kTokenOk) return false;
    bool stored = false;
    for (CK_ULONG i = 0; i < binding.slotCount && !stored; i++) {
        CK_TOKEN_INFO info;
        TokenIdentity identity;
        if (binding.functions->C_GetTokenInfo(binding.slots[i], &info) != CKR_OK) continue;
        TokenIdentityOf(&info, &identity);
        if (strncmp(identity.label, label, strlen(label)) != 0) continue;
        if (binding.functions->C_OpenSession(binding.slots[i], CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr, nullptr,
                                             &binding.session) != CKR_OK ||
            binding.functions->C_Login(binding.session, CKU_USER, (CK_UTF8CHAR *)kPin, CK_ULONG(strlen(kPin))) !=
                CKR_OK)
            break;
        stored = CreateTokenKeyObject(&binding, reinterpret_cast<const unsigned char *>(record.data())) == kTokenOk;
        binding.functions->C_Logout(binding.session);
    }
    UnbindTokenLibrary(&binding);
    return stored;
}

// The slot SoftHSM2 gave the token with this label.
std::string SlotOfToken(const char *label) {
    TokenBinding binding;
    if (BindTokenLibrary(kSoftHsm, 1, &binding) != kTokenOk) return "";
    std::string slot;
    for (CK_ULONG i = 0; i < binding.slotCount; i++) {
        CK_TOKEN_INFO info;
        TokenIdentity identity;
        if (binding.functions->C_GetTokenInfo(binding.slots[i], &info) != CKR_OK) continue;
        TokenIdentityOf(&info, &identity);
        if (strncmp(identity.label, label, strlen(label)) == 0) slot = std::to_string(binding.slots[i]);
    }
    UnbindTokenLibrary(&binding);
    return slot;
}

TEST_F(KovaraVault, CheckPassesFromEachKeySource) {
    const std::string vaultInfo = alice_ + "/alice.vault";
    const std::string slot = SlotOfToken("Kovara Alice");
    ASSERT_FALSE(slot.empty());
    const std::vector<std::vector<std::string>> sources = {
        {"--user-info", alice_ + "/KovdevTokenKey.user", "--vault-info", vaultInfo},
        {"--split", alice_ + "/KeyPart1_alice.kovdev", alice_ + "/KeyPart2_alice.kovdev", "--vault-info", vaultInfo},
        {"--token", kSoftHsm, "--token-label", "Kovara Alice", "--pin-file", SecretFile(kPin), "--vault-info",
         vaultInfo},
        {"--token", kSoftHsm, "--slot", slot, "--pin-file", SecretFile(kPin)},
    };
    for (const auto &source : sources) {
        ToolRun run = Tool(Command("check", Alice(source)));
        SCOPED_TRACE(source[0] + " " + source[1]);
        EXPECT_EQ(0, run.status) << run.err;
        EXPECT_EQ("", run.err);
        EXPECT_NE(std::string::npos,
                  run.out.find("registered vault path: c:\\program files\\kovara\\vault\\kovara_alice.udf "
                               "(the default vault name of user alice)"))
            << run.out;
        EXPECT_NE(std::string::npos, run.out.find("its first sector decrypts to an NTFS boot sector")) << run.out;
        const bool withVaultInfo = std::find(source.begin(), source.end(), "--vault-info") != source.end();
        EXPECT_EQ(withVaultInfo,
                  run.out.find("vault information " + vaultInfo + ": matches the vault") != std::string::npos);
        EXPECT_EQ("check passed\n", run.out.substr(run.out.size() - 13));
    }

    // Two key objects on one token (a key replacement cut short): each
    // user's password finds its own, whichever the token lists first. The
    // secrets come from open descriptors here.
    struct TwoKeys {
        std::string user, vault, password;
    };
    for (const TwoKeys &owner : {TwoKeys{"alice", alice_ + "/Kovara_alice.udf", kPassword},
                                 TwoKeys{"bob", bob_ + "/Kovara_bob.udf", "other-password"}}) {
        ToolRun run = Tool({"check", "--vault", owner.vault, "--user", owner.user, "--password-fd", "4", "--token",
                            kSoftHsm, "--token-label", "Two Keys", "--pin-fd", "3"},
                           "", "3<" + SecretFile(kPin) + " 4<" + SecretFile(owner.password));
        EXPECT_EQ(0, run.status) << owner.user << ": " << run.err;
        EXPECT_NE(std::string::npos, run.out.find("of the 2 it holds)")) << run.out;
    }

    // A damaged first sector: the key is proved by NTFS's backup boot sector
    // at the end, and the rest of the volume still exports.
    const std::string damaged = dir_ + "/damaged.udf";
    std::string sealed = ReadAll(alice_ + "/Kovara_alice.udf");
    for (int i = 0; i < 512; i++) sealed[size_t(i)] = char(i * 7);
    WriteAll(damaged, sealed);
    std::vector<std::string> damagedVault = Alice(Whole());
    damagedVault[1] = damaged;
    ToolRun broken = Tool(Command("check", damagedVault));
    EXPECT_EQ(0, broken.status) << broken.err;
    EXPECT_NE(
        std::string::npos,
        broken.out.find("its first sector is damaged, but its last sector decrypts to the NTFS backup boot sector"));
    damagedVault.insert(damagedVault.end(), {"-o", "-"});
    broken = Tool(Command("export", damagedVault));
    EXPECT_EQ(0, broken.status) << broken.err;
    EXPECT_TRUE(ReadAll(image_).substr(512) == broken.out.substr(512));

    // The password, when not given, is one line of standard input; the
    // registered path, when given, must be the one in the record.
    std::vector<std::string> fromInput = Alice(Whole(), nullptr);
    fromInput.insert(fromInput.end(), {"--vault-path", "C:\\PROGRAM FILES\\Kovara\\Vault\\Kovara_alice.udf"});
    ToolRun run = Tool(Command("check", fromInput), std::string(kPassword) + "\n");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("kovara_alice.udf (the default vault name of user alice), as given"));

    // On a terminal the password is asked without echo; Ctrl-C at the prompt
    // ends the run with the echo back on.
    int terminal = -1;
    pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string vault = alice_ + "/Kovara_alice.udf", userInfo = alice_ + "/KovdevTokenKey.user";
        execl(KOVARA_VAULT, KOVARA_VAULT, "check", "--vault", vault.c_str(), "--user", "alice", "--user-info",
              userInfo.c_str(), nullptr);
        _exit(127);
    }
    std::string shown;
    const std::string prompt = "Password of user alice: ";
    while (shown.find(prompt) == std::string::npos) {
        struct pollfd ready = {terminal, POLLIN, 0};
        char c;
        if (poll(&ready, 1, 20000) <= 0 || read(terminal, &c, 1) != 1) break;
        shown += c;
    }
    ASSERT_NE(std::string::npos, shown.find(prompt)) << "no prompt, only: " << shown;
    struct termios asking, after;
    ASSERT_EQ(0, tcgetattr(terminal, &asking));
    EXPECT_FALSE(asking.c_lflag & ECHO) << "the password would be echoed";
    ASSERT_EQ(1, write(terminal, "\x03", 1));
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    ASSERT_EQ(0, tcgetattr(terminal, &after));
    EXPECT_TRUE(after.c_lflag & ECHO) << "the terminal was left without echo";
    close(terminal);
}

TEST_F(KovaraVault, CheckRefusesEachFaultWithOneLine) {
    const std::string part1 = alice_ + "/KeyPart1_alice.kovdev", part2 = alice_ + "/KeyPart2_alice.kovdev";
    const std::string shortFile = dir_ + "/short.user";
    WriteAll(shortFile, ReadAll(alice_ + "/KovdevTokenKey.user").substr(0, 851));
    const std::string notSectors = dir_ + "/ragged.udf";
    WriteAll(notSectors, std::string(1000, 'x'));
    const std::string cutShort = dir_ + "/cut-short.udf";
    WriteAll(cutShort, ReadAll(alice_ + "/Kovara_alice.udf").substr(0, 4 << 20));

    struct Case {
        std::vector<std::string> arguments;
        std::string line;
    };
    const std::vector<Case> cases = {
        {Alice(Whole(), "correct horse 7"),
         "wrong password for user alice: the user information does not open with it"},
        {Alice({"--split", part2, part1}),
         "split parts in the wrong order: " + part1 + " holds part 1 and " + part2 + " part 2; give part 1 first"},
        {Alice({"--split", part1, part2}, "nope"),
         "wrong password for user alice: the user information does not open with it"},
        {Alice({"--user-info", shortFile}), shortFile + ": 851 bytes, but a user information backup has 852"},
        {Alice({"--split", part1, alice_ + "/KovdevTokenKey.user"}),
         alice_ + "/KovdevTokenKey.user: 852 bytes, but a part of a split user information backup has 426"},
        {Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "--vault-info", bob_ + "/bob.vault"}),
         bob_ +
             "/bob.vault does not belong to this vault: it does not match the vault's first sector under the key of user alice"},
        {Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "--vault-info", shortFile}),
         shortFile + ": 851 bytes, but a vault information file has 512"},
        {Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "--vault-path", "C:\\Kovara\\Vault\\Kovara_alice.udf"}),
         "the user information was made for the vault registered as \"c:\\program files\\kovara\\vault\\kovara_alice.udf\", "
         "not \"C:\\Kovara\\Vault\\Kovara_alice.udf\""},
        {{"--vault", bob_ + "/Kovara_bob.udf", "--user", "alice", "--password-file", SecretFile(kPassword),
          "--user-info", alice_ + "/KovdevTokenKey.user"},
         bob_ +
             "/Kovara_bob.udf does not open with the key of user alice: its first sector decrypts to no boot sector"},
        {{"--vault", notSectors, "--user", "alice", "--password-file", SecretFile(kPassword), "--user-info",
          alice_ + "/KovdevTokenKey.user"},
         notSectors + ": 1000 bytes, but a vault is a whole number of 512-byte sectors"},
        {{"--vault", cutShort, "--user", "alice", "--password-file", SecretFile(kPassword), "--user-info",
          alice_ + "/KovdevTokenKey.user"},
         cutShort +
             ": 4194304 bytes, but its boot sector claims a volume of 8388096 bytes: the vault file is cut short"},
        {Alice({"--token", kSoftHsm, "--token-label", "Spare", "--pin-file", SecretFile(kPin)}),
         "the token \"Spare\" holds no key object (no data object labelled \"Kovara AES\")"},
        {Alice({"--token", kSoftHsm, "--token-label", "Kovara Alice", "--pin-file", SecretFile("1357")}),
         "bad PIN: the token \"Kovara Alice\" refused it"},
        {Alice({"--token", kSoftHsm, "--token-label", "Kovara Bob", "--pin-file", SecretFile(kPin)}),
         std::string("no token labelled \"Kovara Bob\" in ") + kSoftHsm},
    };
    for (const Case &c : cases) {
        ToolRun run = Tool(Command("check", c.arguments));
        EXPECT_EQ(1, run.status) << c.line;
        EXPECT_EQ(Refusal(c.line), run.err);
        EXPECT_EQ("", run.out) << c.line;
    }

    ToolRun usage = Tool({"check", "--vault", alice_ + "/Kovara_alice.udf", "--user", "alice"});
    EXPECT_EQ(2, usage.status);
    EXPECT_EQ(Refusal("a key source is required: --user-info, --split or --token"), usage.err);
    // A secret on the command line is refused before anything is read.
    usage =
        Tool(Command("check", {"--vault", alice_ + "/Kovara_alice.udf", "--user", "alice", "--password", kPassword}));
    EXPECT_EQ(2, usage.status);
    EXPECT_EQ(Refusal("--password is gone: a secret on the command line shows in the process list; give "
                      "--password-file FILE or --password-fd N, or leave it out to be asked"),
              usage.err);
}

TEST_F(KovaraVault, ExportGivesBackTheImageByteForByte) {
    const std::string vault = alice_ + "/Kovara_alice.udf";
    const std::string sealed = ReadAll(vault);
    struct stat before;
    ASSERT_EQ(0, stat(vault.c_str(), &before));
    const std::string image = dir_ + "/exported.ntfs";

    ToolRun run = Tool(Command("export", Alice({"--split", alice_ + "/KeyPart1_alice.kovdev",
                                                alice_ + "/KeyPart2_alice.kovdev", "--threads", "3", "-o", image})));
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.out);
    EXPECT_NE(std::string::npos, run.err.find("exported 8388608 bytes to " + image)) << run.err;
    EXPECT_TRUE(ReadAll(image_) == ReadAll(image)) << "the exported image differs from the original";
    struct stat exported;
    ASSERT_EQ(0, stat(image.c_str(), &exported));
    EXPECT_EQ(0600u, exported.st_mode & 0777u);

    // An existing file is kept unless --force; the vault itself never is a target.
    WriteAll(image, "keep me");
    run = Tool(Command("export", Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "-o", image})));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(Refusal(image + " exists; give --force to overwrite it"), run.err.substr(run.err.find("kovara-vault:")));
    EXPECT_EQ("keep me", ReadAll(image));
    run = Tool(Command("export", Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "-o", vault, "--force"})));
    EXPECT_EQ(Refusal(vault + " is the vault itself; the vault is never written"),
              run.err.substr(run.err.find("kovara-vault:")));
    const std::string userInfo = alice_ + "/KovdevTokenKey.user";
    run = Tool(Command("export", Alice({"--user-info", userInfo, "-o", userInfo, "--force"})));
    EXPECT_EQ(Refusal(userInfo + " is the key file " + userInfo + "; key files are never written"),
              run.err.substr(run.err.find("kovara-vault:")));
    run = Tool(Command("export", Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "-o", image, "--force"})));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(ReadAll(image_) == ReadAll(image));

    // A link at the target is replaced by the new image, readable by its
    // owner only; the file it led to keeps its bytes.
    const std::string victim = dir_ + "/victim.txt", link = dir_ + "/link.ntfs";
    WriteAll(victim, "not yours");
    ASSERT_EQ(0, chmod(victim.c_str(), 0644));
    ASSERT_EQ(0, symlink(victim.c_str(), link.c_str()));
    run = Tool(Command("export", Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "-o", link, "--force"})));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("not yours", ReadAll(victim));
    struct stat replaced;
    ASSERT_EQ(0, lstat(link.c_str(), &replaced));
    EXPECT_TRUE(S_ISREG(replaced.st_mode));
    EXPECT_EQ(0600u, replaced.st_mode & 0777u);
    EXPECT_TRUE(ReadAll(image_) == ReadAll(link));

    // A write that fails half-way (a file-size limit) leaves the old target
    // whole and no new file beside it.
    WriteAll(image, "keep me");
    run = Tool(Command("export", Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "-o", image, "--force"})), "",
               "", "trap '' XFSZ; ulimit -f 2000");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("kovara-vault: " + image + ": write failed: File too large")) << run.err;
    EXPECT_EQ("keep me", ReadAll(image));
    EXPECT_NE(0, Shell("ls -a " + dir_ + " | grep -q partial")) << "the new file stayed behind";

    // A sector of the container that does not read (EIO from the disk): the
    // export names it, and the old target stays as it was.
    run = Tool(Command("export", Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "-o", image, "--force"})), "",
               "", ToolFaults() + " KOVARA_TEST_EIO_AT=512100");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos,
              run.err.find("kovara-vault: " + vault + ": cannot read sector 1000 (byte 512000): Input/output error\n"))
        << run.err;
    EXPECT_EQ("keep me", ReadAll(image));
    EXPECT_NE(0, Shell("ls -a " + dir_ + " | grep -q partial")) << "the new file stayed behind";

    // Standard output, from the token, one thread.
    run = Tool(Command("export", Alice({"--token", kSoftHsm, "--token-label", "Kovara Alice", "--pin-file",
                                        SecretFile(kPin), "--threads", "1", "-o", "-"})));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(ReadAll(image_) == run.out);

    // A refused check exports nothing.
    run = Tool(Command("export", Alice(Whole(), "wrong")));
    EXPECT_EQ(2, run.status);
    run = Tool(Command("export",
                       Alice({"--user-info", alice_ + "/KovdevTokenKey.user", "-o", dir_ + "/never.ntfs"}, "wrong")));
    EXPECT_EQ(1, run.status);
    EXPECT_NE(0, access((dir_ + "/never.ntfs").c_str(), F_OK));

    struct stat after;
    ASSERT_EQ(0, stat(vault.c_str(), &after));
    EXPECT_TRUE(sealed == ReadAll(vault));
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

// The key dm-crypt would be given: 32 bytes with which AES-256-CBC, each
// sector's number (little-endian, 16 bytes) as initial vector, turns the
// container's sectors into the volume's.
TEST_F(KovaraVault, KeyDecryptsSectorsAsAesCbcPlain64) {
    const std::string keyFile = dir_ + "/alice.key", vault = alice_ + "/Kovara_alice.udf";
    std::vector<std::string> key = Command("key", Alice(Whole()));
    key.insert(key.end(), {"--key-file", keyFile});
    ToolRun run = Tool(key);
    ASSERT_EQ(0, run.status) << run.err;
    struct stat info;
    ASSERT_EQ(0, stat(keyFile.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777u);
    const std::string bytes = ReadAll(keyFile);
    ASSERT_EQ(32u, bytes.size());
    std::vector<std::string> toFd = Command("key", Alice(Whole()));
    toFd.insert(toFd.end(), {"--key-fd", "3"});
    run = Tool(toFd, "", "3>" + dir_ + "/fd.key");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(bytes == ReadAll(dir_ + "/fd.key"));

    auto hex = [](const std::string &raw) {
        std::string text;
        char two[3];
        for (unsigned char c : raw) snprintf(two, sizeof two, "%02x", c), text += two;
        return text;
    };
    const std::string sealed = ReadAll(vault), plain = ReadAll(image_);
    for (uint64_t sector : {uint64_t(0), uint64_t(plain.size() / 512 / 2 + 3)}) {
        std::string iv(16, '\0');
        for (int i = 0; i < 8; i++) iv[size_t(i)] = char(sector >> (8 * i));
        WriteAll(dir_ + "/sector.enc", sealed.substr(sector * 512, 512));
        ASSERT_EQ(0, Shell("openssl enc -d -aes-256-cbc -nopad -K " + hex(bytes) + " -iv " + hex(iv) + " -in " + dir_ +
                           "/sector.enc -out " + dir_ + "/sector.dec"));
        EXPECT_TRUE(plain.substr(sector * 512, 512) == ReadAll(dir_ + "/sector.dec")) << "sector " << sector;
    }

    // Never to a terminal, never over an existing file.
    int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(0, grantpt(terminal));
    ASSERT_EQ(0, unlockpt(terminal));
    const std::string pts = ptsname(terminal);
    run = Tool(toFd, "", "3<>" + pts);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(Refusal("descriptor 3 is a terminal; the key is never shown: give a pipe or --key-file"),
              run.err.substr(run.err.find("kovara-vault:")));
    key.back() = pts;
    run = Tool(key);
    EXPECT_EQ(Refusal(pts + " is a terminal or another device; the key is never shown there: give a new file"),
              run.err.substr(run.err.find("kovara-vault:")));
    key.back() = keyFile;
    run = Tool(key);
    EXPECT_EQ(Refusal(keyFile + " exists; a key file is always new"), run.err.substr(run.err.find("kovara-vault:")));
    EXPECT_TRUE(bytes == ReadAll(keyFile));
    close(terminal);
}

TEST_F(KovaraVault, LsAndGetReturnTheFiles) {
    ToolRun run = Tool(Command("ls", Alice(Whole())));
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ("-           30  Notes.txt\n-       307200  photo.bin\nd            -  Tax Papers\n", run.out);
    run = Tool(Command("ls", Alice({"tax papers", "--user-info", alice_ + "/KovdevTokenKey.user"})));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("-           30  2006.txt\n", run.out);

    run = Tool(Command("ls", Alice({"\\PHOTO.BIN", "--user-info", alice_ + "/KovdevTokenKey.user"})));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("-       307200  photo.bin\n", run.out);

    const std::string copy = dir_ + "/photo.copy";
    run = Tool(Command("get", Alice({"/photo.bin", "-o", copy, "--split", alice_ + "/KeyPart1_alice.kovdev",
                                     alice_ + "/KeyPart2_alice.kovdev"})));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(ReadAll(dir_ + "/photo.bin") == ReadAll(copy));
    // An exception nobody expects, thrown half-way through the copy: one
    // line, status 1, the copy made before left whole and no new file beside it.
    run = Tool(Command("get", Alice({"/photo.bin", "-o", copy, "--force", "--user-info",
                                     alice_ + "/KovdevTokenKey.user"})),
               "", "", ToolFaults() + " KOVARA_TEST_THROW_ON_WRITE=1");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(Refusal("unexpected failure: injected write fault"), run.err);
    EXPECT_TRUE(ReadAll(dir_ + "/photo.bin") == ReadAll(copy));
    EXPECT_NE(0, Shell("ls -a " + dir_ + " | grep -q partial")) << "the new file stayed behind";
    run = Tool(Command("get", Alice({"\\Tax Papers\\2006.TXT", "-o", "-", "--token", kSoftHsm, "--token-label",
                                     "Kovara Alice", "--pin-file", SecretFile(kPin)})));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("Meet at the old mill at noon.\n", run.out);

    run = Tool(
        Command("get", Alice({"/missing.txt", "-o", copy, "--force", "--user-info", alice_ + "/KovdevTokenKey.user"})));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(Refusal("/missing.txt: not found in the vault"), run.err);
    EXPECT_TRUE(ReadAll(dir_ + "/photo.bin") == ReadAll(copy)) << "a failed look-up must leave the target alone";
    run = Tool(Command("get", Alice({"/photo.bin", "-o", copy, "--user-info", alice_ + "/KovdevTokenKey.user"})));
    EXPECT_EQ(Refusal(copy + " exists; give --force to overwrite it"), run.err);

    // Hostile names in another vault: controls are shown escaped, a name
    // that is no valid UTF-16 (a lone surrogate) is shown, not dropped, and
    // an entry whose record is damaged is named while the listing goes on.
    const std::string hostile = dir_ + "/hostile.ntfs", carol = dir_ + "/carol";
    std::string copies;
    for (const char *name :
         {"bell\anamed.txt", "esc\x1b[31mred.txt", "line\nbreak.txt", "surrogateQ.txt", "broken.txt"})
        copies += " && ntfscp -q " + hostile + " " + dir_ + "/notes.txt " + Quote(std::string("/") + name);
    ASSERT_EQ(0, Shell("mkdir -p " + carol + " && truncate -s 8M " + hostile + " && mkntfs -q -F -f -s 512 -c 4096 " +
                       hostile + copies));
    std::string bytes = ReadAll(hostile);
    auto wide = [](const std::string &text) {
        std::string utf16;
        for (char c : text) utf16 += std::string(1, c) + '\0';
        return utf16;
    };
    for (size_t at = bytes.find(wide("surrogateQ")); at != std::string::npos; at = bytes.find(wide("surrogateQ"), at))
        bytes.replace(at + 18, 2, "\x00\xD8", 2);
    for (size_t at = bytes.find(wide("broken.txt")); at != std::string::npos;
         at = bytes.find(wide("broken.txt"), at + 1)) {
        size_t record = at / 1024 * 1024;  // the file's own record, not the folder's index
        if (bytes.compare(record, 4, "FILE") == 0 && bytes.substr(record, 1024).find(wide("$I30")) == std::string::npos)
            bytes.replace(record, 4, "BAAD");
    }
    WriteAll(hostile, bytes);
    ASSERT_EQ(0,
              Shell(std::string(MAKE_TEST_VAULT) + " " + hostile + " " + carol + " carol pw 'C:\\Kovara_carol.udf'"));
    run = Tool({"ls", "--vault", carol + "/Kovara_carol.udf", "--user", "carol", "--password-file", SecretFile("pw"),
                "--user-info", carol + "/KovdevTokenKey.user"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(
        "-           30  bell\\x07named.txt\n-           30  esc\\x1B[31mred.txt\n"
        "-           30  line\\x0Abreak.txt\n-           30  surrogate\\uD800.txt\n",
        run.out);
    EXPECT_EQ(0u, run.err.find("kovara-vault: /: cannot read the entry broken.txt: ")) << run.err;
    EXPECT_EQ(Refusal("/: 1 entry could not be read"), run.err.substr(run.err.find('\n') + 1));
}

// Mounts through FUSE and ntfs-3g: a vault large enough for a file over
// 100 MiB, made for these tests alone.
class KovaraVaultMount : public KovaraVault {
protected:
    std::string big_, vault_, mnt_;

    void SetUp() override {
        big_ = dir_ + "/big-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        vault_ = big_ + "/Kovara_carol.udf";
        mnt_ = big_ + "/mnt";
        const std::string image = big_ + "/plain.ntfs";
        ASSERT_EQ(0, Shell("mkdir -p " + mnt_ + " && truncate -s 160M " + image + " && mkntfs -q -F -f -s 512 -c 4096 -L Kovara " +
                           image + " >/dev/null 2>&1 && " + MAKE_TEST_VAULT + " " + image + " " + big_ +
                           " carol 'carol pw' 'C:\\Kovara\\Vault\\Kovara_carol.udf' && rm " + image));
    }

    void TearDown() override {
        Shell("fusermount3 -u " + mnt_ + " 2>/dev/null; rm -rf " + big_);
    }

    std::vector<std::string> Carol(std::vector<std::string> rest) const {
        std::vector<std::string> a = {"--vault", vault_, "--user", "carol", "--password-file", SecretFile("carol pw"),
                                      "--user-info", big_ + "/KovdevTokenKey.user"};
        rest.insert(rest.end(), a.begin(), a.end());
        return rest;
    }

    static bool Mounted(const std::string &target) {
        return ReadAll("/proc/self/mountinfo").find(" " + target + " ") != std::string::npos;
    }

    // The file the volume holds at path, read back through get.
    std::string Get(const std::string &path) const {
        ToolRun run = Tool(Carol({"get", path, "-o", "-"}));
        EXPECT_EQ(0, run.status) << path << ": " << run.err;
        return run.out;
    }
};

std::string Pattern(size_t length, unsigned seed) {
    std::string bytes(length, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < length; i++) {
        x = x * 1664525u + 1013904223u;
        bytes[i] = char(x >> 24);
    }
    return bytes;
}

TEST_F(KovaraVaultMount, WrittenFilesComeBackAndTheVaultStaysOne) {
    ToolRun run = Tool(Carol({"mount", mnt_}));
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("mounted " + vault_ + " at " + mnt_)) << run.out;
    ASSERT_TRUE(Mounted(mnt_));

    // One writer: a second mount, also a read-only one, is refused while the first holds the lock.
    for (const std::vector<std::string> &second : {Carol({"mount", big_}), Carol({"mount", big_, "--read-only"})}) {
        ToolRun refused = Tool(second);
        EXPECT_EQ(1, refused.status);
        EXPECT_EQ(Refusal(vault_ + ": in use by another kovara-vault mount"), refused.err);
    }

    // Files of several sizes in folders; sizes that end inside a sector.
    const std::vector<std::pair<std::string, std::string>> files = {
        {"/note.txt", "Meet at the old mill at noon.\n"},
        {"/Docs/report.bin", Pattern(1048576 + 7, 1)},
        {"/Docs/Deep/Folder/photo.bin", Pattern(300 * 1024 + 511, 2)},
        {"/movie.bin", Pattern(size_t(110) << 20, 3)},
    };
    ASSERT_EQ(0, Shell("mkdir -p " + mnt_ + "/Docs/Deep/Folder " + mnt_ + "/Old"));
    for (const auto &file : files) WriteAll(mnt_ + file.first, file.second);
    WriteAll(mnt_ + "/draft.txt", "to be renamed");
    WriteAll(mnt_ + "/Old/gone.bin", Pattern(70000, 4));
    ASSERT_EQ(0, rename((mnt_ + "/draft.txt").c_str(), (mnt_ + "/Docs/final.txt").c_str()));
    ASSERT_EQ(0, Shell("rm -r " + mnt_ + "/Old"));
    // A part of a file rewritten in place, across a sector boundary.
    {
        std::fstream patch(mnt_ + "/Docs/report.bin", std::ios::in | std::ios::out | std::ios::binary);
        patch.seekp(1000);
        patch << "patched across sectors";
    }
    std::string report = files[1].second;
    report.replace(1000, 22, "patched across sectors");

    run = Tool({"unmount", mnt_});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("unmounted " + mnt_ + " (vault " + vault_ + ")\n", run.out);
    EXPECT_FALSE(Mounted(mnt_));

    // The vault still proves, with its vault information: the first sector is unchanged.
    run = Tool(Carol({"check", "--vault-info", big_ + "/carol.vault"}));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("vault information " + big_ + "/carol.vault: matches the vault"));
    EXPECT_TRUE(Get("/note.txt") == files[0].second);
    EXPECT_TRUE(Get("/Docs/report.bin") == report);
    EXPECT_TRUE(Get("/Docs/Deep/Folder/photo.bin") == files[2].second);
    EXPECT_TRUE(Get("/movie.bin") == files[3].second) << "the 110 MiB file differs";
    EXPECT_EQ("to be renamed", Get("/Docs/final.txt"));
    run = Tool(Carol({"ls", "/"}));
    EXPECT_EQ("d            -  Docs\n-    115343360  movie.bin\n-           30  note.txt\n", run.out);
    run = Tool(Carol({"ls", "/Docs"}));
    EXPECT_EQ("d            -  Deep\n-           13  final.txt\n-      1048583  report.bin\n", run.out);
    run = Tool(Carol({"get", "/Old/gone.bin", "-o", "-"}));
    EXPECT_EQ(Refusal("/Old: not found in the vault"), run.err);

    // Read-only: the files read, nothing is written, the container's bytes stay.
    const std::string sealed = ReadAll(vault_);
    run = Tool(Carol({"mount", mnt_, "--read-only"}));
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(ReadAll(mnt_ + "/Docs/report.bin") == report);
    EXPECT_NE(0, Shell("(echo x > " + mnt_ + "/new.txt) 2>/dev/null"));
    EXPECT_NE(0, Shell("rm " + mnt_ + "/note.txt 2>/dev/null"));
    run = Tool({"unmount", mnt_});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(sealed == ReadAll(vault_)) << "a read-only mount changed the container";

    // fusermount3 -u alone loses nothing either; the mount ends by itself.
    run = Tool(Carol({"mount", mnt_}));
    ASSERT_EQ(0, run.status) << run.err;
    WriteAll(mnt_ + "/last.bin", Pattern(5 << 20, 5));
    ASSERT_EQ(0, Shell("fusermount3 -u " + mnt_));
    const std::string imageDir = big_ + "/image";
    ASSERT_EQ(0, mkdir(imageDir.c_str(), 0700));
    run = Tool(Carol({"mount", imageDir, "--image-only"}));
    for (int i = 0; i < 1000 && run.status != 0; i++) {
        struct pollfd none;
        poll(&none, 0, 20);  // the first mount drops its lock once the container is synced
        run = Tool(Carol({"mount", imageDir, "--image-only"}));
    }
    ASSERT_EQ(0, run.status) << run.err;
    // The image alone, for the user's own tools: the decrypted volume at DIR/volume.
    // Its first sector, which Windows proves the vault with, takes only its own bytes.
    const std::string volume = imageDir + "/volume";
    const std::string boot = ReadAll(volume).substr(0, 512);
    EXPECT_EQ("NTFS    ", boot.substr(3, 8));
    EXPECT_NE(0, Shell("printf 'XXXX' | dd of=" + volume + " bs=1 seek=72 conv=notrunc 2>/dev/null"));
    EXPECT_EQ(0, Shell("head -c 600 " + volume + " | dd of=" + volume + " conv=notrunc 2>/dev/null"));
    EXPECT_TRUE(ReadAll(volume).substr(0, 512) == boot);
    EXPECT_EQ(0, Tool({"unmount", imageDir}).status);
    EXPECT_TRUE(Get("/last.bin") == Pattern(5 << 20, 5));
}

TEST_F(KovaraVaultMount, KillNineMidWriteLeavesAVaultThatChecksWithTheSyncedFiles) {
    std::string command = KOVARA_VAULT;
    for (const std::string &a : Carol({"mount", mnt_, "--foreground"})) command += " " + Quote(a);
    pid_t mount = fork();
    if (mount == 0) {
        execl("/bin/sh", "sh", "-c", ("exec " + command + " >/dev/null 2>&1").c_str(), (char *)nullptr);
        _exit(127);
    }
    ASSERT_GT(mount, 0);
    auto waitFor = [](const std::function<bool()> &condition) {
        for (int i = 0; i < 1500; i++) {
            if (condition()) return true;
            struct pollfd none;
            poll(&none, 0, 20);
        }
        return false;
    };
    ASSERT_TRUE(waitFor([&] { return Mounted(mnt_); })) << "the mount did not appear within 30 s";

    const std::string synced = Pattern(3 << 20, 6);
    int fd = open((mnt_ + "/synced.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ssize_t(synced.size()), write(fd, synced.data(), synced.size()));
    ASSERT_EQ(0, fsync(fd));
    close(fd);

    pid_t writer = fork();
    if (writer == 0) {
        execl("/bin/sh", "sh", "-c", ("exec dd if=/dev/zero of=" + mnt_ + "/large.bin bs=1M count=140 2>/dev/null").c_str(),
              (char *)nullptr);
        _exit(127);
    }
    ASSERT_TRUE(waitFor([&] {
        struct stat info;
        return stat((mnt_ + "/large.bin").c_str(), &info) == 0 && info.st_size > (16 << 20);
    })) << "the large write did not get going";
    ASSERT_EQ(0, kill(mount, SIGKILL));
    int status;
    waitpid(mount, &status, 0);
    waitpid(writer, &status, 0);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write went through despite the kill";

    // unmount takes down ntfs-3g and the dead image; then the vault proves and the synced file is whole.
    ToolRun run = Tool({"unmount", mnt_});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_FALSE(Mounted(mnt_));
    run = Tool(Carol({"check", "--vault-info", big_ + "/carol.vault"}));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(Get("/synced.bin") == synced);
    // And it mounts again: ntfs-3g takes the volume that was not closed cleanly.
    run = Tool(Carol({"mount", mnt_}));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(ReadAll(mnt_ + "/synced.bin") == synced);

    // ntfs-3g killed instead: what it wrote without an fsync still waits in the
    // kernel's cache of the image, and its end sends it to the container.
    const std::string unsynced = Pattern(6 << 20, 7);
    WriteAll(mnt_ + "/unsynced.bin", unsynced);
    ASSERT_EQ(0, Shell("pgrep -f '^ntfs-3g .* " + mnt_ + " ' >" + big_ + "/ntfs.pid"));
    pid_t ntfsPid = pid_t(atoi(ReadAll(big_ + "/ntfs.pid").c_str()));
    ASSERT_GT(ntfsPid, 0) << "no ntfs-3g found for " << mnt_;
    ASSERT_EQ(0, kill(ntfsPid, SIGKILL));
    ASSERT_TRUE(waitFor([&] {
        int fd = open(vault_.c_str(), O_RDONLY | O_CLOEXEC);
        bool unlocked = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (fd >= 0) close(fd);
        return unlocked;
    })) << "the mount did not end within 30 s after ntfs-3g was killed";
    Shell("fusermount3 -u " + mnt_);
    EXPECT_TRUE(Get("/unsynced.bin") == unsynced) << "a file ntfs-3g wrote was lost when it was killed";
    EXPECT_TRUE(Get("/synced.bin") == synced);
}

}  // namespace
