// kovara-vault on a vault that the real Kovara.exe created under Wine: the
// creation end-to-end test hands the container, the vault information file,
// the user information backup and the user's name and password (user.txt) to
// the folder named by KOVARA_CREATED_VAULT, and scripts/test runs these checks
// after the Wine tests. Wine has no NTFS file system driver behind the vault's
// drive letter (a file opened there is not found), so no file of the user is
// put into the volume: ls lists the root the format laid down, and get is
// refused a file that is not there.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tool_run.h"

namespace {

class CreatedVault : public ::testing::Test {
protected:
    std::string folder_, user_, password_;

    void SetUp() override {
        const char *folder = getenv("KOVARA_CREATED_VAULT");
        ASSERT_TRUE(folder && folder[0]) << "KOVARA_CREATED_VAULT names no folder";
        folder_ = folder;
        std::istringstream credentials(ReadAll(folder_ + "/user.txt"));
        std::getline(credentials, user_);
        std::getline(credentials, password_);
        ASSERT_FALSE(user_.empty()) << "no vault handed over in " << folder_
                                    << " (creation_end_to_end_tests failed or did not run)";
        // ntfsinfo and ntfsls live in the administrator's folders.
        setenv("PATH", (std::string("/usr/sbin:/sbin:") + getenv("PATH")).c_str(), 1);
    }

    std::string File(const std::string &name) const { return folder_ + "/" + name; }

    // The password as the one line of a file of the handed folder, readable by its owner only.
    std::string SecretFile(const std::string &password) const {
        const std::string path = File("password-" + std::to_string(std::hash<std::string>()(password)));
        std::ofstream(path, std::ios::trunc) << password << "\n";
        chmod(path.c_str(), 0600);
        return path;
    }

    // Runs a command of the shell with its output and errors captured.
    ToolRun Shell(const std::string &command) const {
        const std::string out = File("stdout"), err = File("stderr");
        int status = system((command + " </dev/null >" + Quote(out) + " 2>" + Quote(err)).c_str());
        return ToolRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
    }

    // The tool with the handed vault, user and backup, then the arguments.
    ToolRun Tool(const std::string &command, const std::string &arguments, const std::string &password) const {
        return Shell(std::string(KOVARA_VAULT) + " " + command + " --vault " + Quote(File("Kovara_" + user_ + ".udf")) +
                     " --user " + Quote(user_) + " --password-file " + Quote(SecretFile(password)) + " --user-info " +
                     Quote(File("KovdevTokenKey.user")) + " " + arguments);
    }
};

TEST_F(CreatedVault, CheckProvesThePasswordAndTheVaultInformation) {
    ToolRun run = Tool("check", "--vault-info " + Quote(File(user_ + ".vault")), password_);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("check passed")) << run.out << run.err;

    run = Tool("check", "--vault-info " + Quote(File(user_ + ".vault")), password_ + "x");
    EXPECT_NE(0, run.status);
    EXPECT_EQ("kovara-vault: wrong password for user " + user_ + ": the user information does not open with it\n",
              run.err);
}

TEST_F(CreatedVault, ExportThenListAndGetMatchTheVolumeTheFormatMade) {
    const std::string image = File("exported.ntfs");
    ToolRun run = Tool("export", "--force -o " + Quote(image), password_);
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("exported 8388608 bytes to " + image)) << run.err;

    run = Shell("ntfsinfo -m " + Quote(image));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("\tVolume Name: Kovara\n")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\tCluster Size: 4096\n")) << run.out;
    run = Shell("ntfsls -a -s " + Quote(image));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("\n$MFT\n")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\n$Volume\n")) << run.out;

    // The tool's own reader lists the root as ntfs-3g lists the exported
    // image's: the same entries (none on a new vault), system files left out.
    std::vector<std::string> expected;
    std::istringstream names(Shell("ntfsls " + Quote(image)).out);
    for (std::string name; std::getline(names, name);) expected.push_back(name);
    run = Tool("ls", "/", password_);
    EXPECT_EQ(0, run.status) << run.err;
    std::vector<std::string> listed;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) listed.push_back(line.substr(line.rfind(' ') + 1));
    EXPECT_EQ(expected, listed) << run.out;

    run = Tool("get", "/Notes.txt -o " + Quote(File("notes.txt")), password_);
    EXPECT_NE(0, run.status);
    EXPECT_EQ("kovara-vault: /Notes.txt: not found in the vault\n", run.err);
    Shell("rm -f " + Quote(image));
}

}  // namespace
