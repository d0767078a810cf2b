// Binding of the HTML Help viewer. The binding happens once per process, so
// each case runs a child process (this binary, with a disabled case enabled)
// with the viewer's registration pointing where the case needs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "shell/ui/html_help.h"

namespace {

const char kViewerKey[] = "Software\\Classes\\CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

std::string Here() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

std::string ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The child: three help calls, their results written to KOVARA_HELP_RESULT.
TEST(HtmlHelpChild, DISABLED_ThreeCalls) {
    std::string results;
    for (int i = 1; i <= 3; ++i) {
        HWND r = ShowHtmlHelp(reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1230 + i)), "kovara.chm", 15, i);
        results += std::to_string(reinterpret_cast<UINT_PTR>(r)) + " ";
    }
    std::ofstream(std::getenv("KOVARA_HELP_RESULT")) << results;
}

class HtmlHelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Keep the prefix's own registration to put it back afterwards.
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kViewerKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            char value[MAX_PATH] = "";
            DWORD size = sizeof value;
            hadValue_ = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE *>(value), &size) ==
                        ERROR_SUCCESS;
            original_ = value;
            RegCloseKey(key);
        }
        log_ = Here() + "\\viewer-" + std::to_string(GetCurrentProcessId()) + ".log";
        result_ = log_ + ".result";
        DeleteFileA(log_.c_str());
        DeleteFileA(result_.c_str());
    }
    void TearDown() override {
        if (hadValue_)
            Register(original_);
        else
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, kViewerKey);
        DeleteFileA(log_.c_str());
        DeleteFileA(result_.c_str());
    }
    void Register(const std::string &path) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kViewerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                                 &key, nullptr));
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
        RegCloseKey(key);
    }
    // Runs the child with the extra DLL overrides; returns its three results.
    std::string RunChild(const char *extraOverrides = nullptr) {
        char saved[1024] = "";
        GetEnvironmentVariableA("WINEDLLOVERRIDES", saved, sizeof saved);
        if (extraOverrides)
            SetEnvironmentVariableA("WINEDLLOVERRIDES", (std::string(saved) + ";" + extraOverrides).c_str());
        SetEnvironmentVariableA("KOVARA_VIEWER_LOG", log_.c_str());
        SetEnvironmentVariableA("KOVARA_HELP_RESULT", result_.c_str());
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command =
            std::string("\"") + self + "\" --gtest_also_run_disabled_tests --gtest_filter=HtmlHelpChild.*";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        SetEnvironmentVariableA("WINEDLLOVERRIDES", saved);
        if (!started) return "not started";
        if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return ReadAll(result_);
    }

    bool hadValue_ = false;
    std::string original_, log_, result_;
};

TEST_F(HtmlHelpTest, ForwardsEveryCallToTheRegisteredViewerLoadedOnce) {
    Register(Here() + "\\kovara_working_viewer.dll");
    EXPECT_EQ("15001 15002 15003 ", RunChild());
    EXPECT_EQ(
        "load\n"
        "call 1231 kovara.chm 15 1\n"
        "call 1232 kovara.chm 15 2\n"
        "call 1233 kovara.chm 15 3\n",
        ReadAll(log_));
}

TEST_F(HtmlHelpTest, ViewerWithoutTheEntryPointIsTriedOnceAndEveryCallReturnsZero) {
    Register(Here() + "\\kovara_broken_viewer.dll");
    EXPECT_EQ("0 0 0 ", RunChild());
    EXPECT_EQ("load\n", ReadAll(log_));
}

TEST_F(HtmlHelpTest, NoViewerAtAllMakesEveryCallReturnZero) {
    // Neither the registered file nor the system's viewer can be loaded.
    Register(Here() + "\\no-such-viewer.ocx");
    EXPECT_EQ("0 0 0 ", RunChild("hhctrl.ocx=d"));
    EXPECT_EQ("", ReadAll(log_));
}

}  // namespace
