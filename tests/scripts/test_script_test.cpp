// What the test scripts count: a Windows test run whose session cannot start
// is a failure, not a pass by having no results at all; the count ends with
// the line "N passed, N failed".
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadAll(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string LastLine(const std::string &text) {
    std::string trimmed = text.substr(0, text.find_last_not_of('\n') + 1);
    size_t at = trimmed.find_last_of('\n');
    return at == std::string::npos ? trimmed : trimmed.substr(at + 1);
}

int Shell(const std::string &command) {
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class TestScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kovara-test-script-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
        ASSERT_EQ(0, mkdir((dir_ + "/bin").c_str(), 0755));
        ASSERT_EQ(0, mkdir((dir_ + "/build").c_str(), 0755));
        std::ofstream(dir_ + "/build/wine-tests.txt") << "";
    }
    void TearDown() override { Shell("rm -rf '" + dir_ + "'"); }

    // A display server that ends at once without a display.
    void BreakTheDisplayServer() {
        std::string fake = dir_ + "/bin/Xvfb";
        std::ofstream(fake) << "#!/bin/sh\nexit 1\n";
        chmod(fake.c_str(), 0755);
    }

    // What the probe for 32-bit code finds as Wine's 32-bit loader: one that
    // starts, or a program this machine cannot execute.
    void MakeWine32Loader(bool runs) {
        std::ofstream loader(dir_ + "/bin/wine32");
        if (runs) loader << "#!/bin/sh\necho wine-8.0\n";
        else loader << std::string("\x7f" "ELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0", 20);
        loader.close();
        chmod((dir_ + "/bin/wine32").c_str(), 0755);
    }

    int RunWineTests() {
        return Shell("PATH='" + dir_ + "/bin':\"$PATH\" KOVARA_WINE32_LOADER='" + dir_ + "/bin/wine32' KOVARA_RESULTS='" +
                     dir_ + "/results' '" KOVARA_SOURCE_ROOT "/scripts/lib/run-wine-tests' '" + dir_ + "/build' >'" +
                     dir_ + "/run.log' 2>&1");
    }

    int CountResults(std::string *output) {
        int rc = Shell("'" KOVARA_SOURCE_ROOT "/scripts/lib/count-results' '" + dir_ + "/results' >'" + dir_ +
                       "/count.log' 2>&1");
        *output = ReadAll(dir_ + "/count.log");
        return rc;
    }

    std::string dir_;
};

TEST_F(TestScriptTest, SessionThatCannotStartCountsAsOneFailureOfItsSide) {
    BreakTheDisplayServer();
    EXPECT_NE(0, RunWineTests()) << ReadAll(dir_ + "/run.log");
    EXPECT_NE(std::string::npos, ReadAll(dir_ + "/run.log").find("Xvfb did not start"));

    std::string output;
    EXPECT_NE(0, CountResults(&output)) << output;
    EXPECT_EQ("0 passed, 1 failed", LastLine(output)) << output;
    EXPECT_NE(std::string::npos, output.find("wine-session")) << output;

    // A tree for Wine's 32-bit side (the product tree) fails under its own
    // name beside the 64-bit side's failure.
    std::ofstream(dir_ + "/build/wine-side.txt") << "win32\n";
    MakeWine32Loader(true);
    EXPECT_NE(0, RunWineTests()) << ReadAll(dir_ + "/run.log");
    EXPECT_NE(0, CountResults(&output)) << output;
    EXPECT_EQ("0 passed, 2 failed", LastLine(output)) << output;
    EXPECT_NE(std::string::npos, output.find("wine32-session")) << output;
}

TEST_F(TestScriptTest, ThirtyTwoBitSideOnAMachineWithoutThirtyTwoBitCodeIsSkippedWithItsReason) {
    std::ofstream(dir_ + "/build/wine-tests.txt") << dir_ << "/build/tests/vault_manager_tests.exe\n";
    std::ofstream(dir_ + "/build/wine-side.txt") << "win32\n";
    MakeWine32Loader(false);
    EXPECT_EQ(0, RunWineTests()) << ReadAll(dir_ + "/run.log");
    std::string log = ReadAll(dir_ + "/run.log");
    EXPECT_NE(std::string::npos, log.find("this machine does not run 32-bit x86 programs")) << log;
    EXPECT_EQ(std::string::npos, log.find("Xvfb")) << log;  // no session was tried
    std::string report = ReadAll(dir_ + "/results/wine32-vault_manager_tests.xml");
    EXPECT_NE(std::string::npos, report.find("does not run 32-bit x86 programs")) << report;

    // The skipped binary and the flows beside it count as skipped, not passed.
    std::string output;
    EXPECT_NE(0, CountResults(&output)) << output;
    EXPECT_NE(std::string::npos, output.find(" skipped\n0 passed, 0 failed")) << output;
}

TEST_F(TestScriptTest, CountEndsWithPassedAndFailedWithoutDisabledEntryPoints) {
    mkdir((dir_ + "/results").c_str(), 0755);
    std::ofstream(dir_ + "/results/native-sample.xml")
        << "<testsuites>\n"
           "  <testsuite name=\"Sample\">\n"
           "    <testcase name=\"Passes\" status=\"run\" result=\"completed\" classname=\"Sample\" />\n"
           "    <testcase name=\"DISABLED_Child\" status=\"notrun\" result=\"suppressed\" classname=\"Sample\" />\n"
           "    <testcase name=\"Skips\" status=\"run\" result=\"skipped\" classname=\"Sample\">\n"
           "      <skipped message=\"no AES-NI\" />\n"
           "    </testcase>\n"
           "  </testsuite>\n"
           "</testsuites>\n";
    std::ofstream(dir_ + "/results/native-sample.rc") << "0\n";

    std::string output;
    EXPECT_EQ(0, CountResults(&output)) << output;
    EXPECT_EQ("1 skipped\n1 passed, 0 failed\n", output);
}

TEST_F(TestScriptTest, FuzzRunCountsEachHarnessAndAFailingOneAsFailed) {
    // Two stand-in harnesses: one ends cleanly with its statistics, one as a
    // harness that found a crash.
    std::ofstream(dir_ + "/bin/clean_fuzz") << "#!/bin/sh\n"
                                               "echo 'stat::number_of_executed_units: 50'\n"
                                               "echo 'stat::average_exec_per_sec:     25'\n";
    std::ofstream(dir_ + "/bin/crashing_fuzz") << "#!/bin/sh\n"
                                                  "echo '==1==ERROR: AddressSanitizer: heap-buffer-overflow'\n"
                                                  "exit 1\n";
    chmod((dir_ + "/bin/clean_fuzz").c_str(), 0755);
    chmod((dir_ + "/bin/crashing_fuzz").c_str(), 0755);
    std::ofstream(dir_ + "/build/fuzz-harnesses.txt") << "clean_fuzz 50 " << dir_ << "/bin/clean_fuzz\n"
                                                      << "crashing_fuzz 50 " << dir_ << "/bin/crashing_fuzz\n";
    int rc = Shell("KOVARA_RESULTS='" + dir_ + "/results' '" KOVARA_SOURCE_ROOT "/scripts/lib/run-fuzz' '" + dir_ +
                   "/build' >'" + dir_ + "/run.log' 2>&1");
    std::string log = ReadAll(dir_ + "/run.log");
    EXPECT_NE(0, rc) << log;
    EXPECT_NE(std::string::npos, log.find("fuzz clean_fuzz: 50 runs, 25 exec/s, ok")) << log;
    EXPECT_NE(std::string::npos, log.find("heap-buffer-overflow")) << log;

    std::string output;
    EXPECT_NE(0, CountResults(&output)) << output;
    EXPECT_EQ("1 passed, 1 failed", LastLine(output)) << output;
    EXPECT_NE(std::string::npos, output.find("fuzz-crashing_fuzz")) << output;
}

}  // namespace
