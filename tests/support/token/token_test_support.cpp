#include "token_test_support.h"

#include <gtest/gtest.h>

#include "token/operations/registered_tokens.h"
#include "token/operations/token_state.h"

#include <vector>

void ClearRegisteredTokens() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRegisteredTokensKey);
    memset(&g_token.selected, 0, sizeof g_token.selected);
    memset(g_token.defaultName, 0, sizeof g_token.defaultName);
}

void RegisterRaw(const std::string &name, DWORD type, const void *data, DWORD size) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRegisteredTokensKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, type, (const BYTE *)data, size));
    RegCloseKey(key);
}

void RegisterToken(const std::string &name, const std::string &path) {
    RegisterRaw(name, REG_SZ, path.c_str(), (DWORD)path.size() + 1);
}

std::string RegisteredValue(const std::string &name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRegisteredTokensKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
    char data[1024] = {0};
    DWORD size = sizeof data - 1, type = 0;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, (BYTE *)data, &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(data) : "<none>";
}

RegisteredSoftToken::RegisteredSoftToken(const std::string &config) {
    ClearRegisteredTokens();
    Configure(config);
    RegisterToken("Soft", library);
}

robot::Box AnswerBox(int button, const char *caption) {
    robot::Box seen;
    HWND box = robot::WaitForBox(caption);
    EXPECT_NE(nullptr, box) << "no box \"" << caption << "\" appeared";
    if (!box) return seen;
    seen = robot::ReadBox(box);
    robot::PressButton(box, button);
    robot::WaitForClose(box);
    seen.answer = button;
    return seen;
}

static DWORD WINAPI RunDialog(LPVOID argument) {
    std::function<void()> *run = (std::function<void()> *)argument;
    (*run)();
    delete run;
    return 0;
}

HWND DialogRunner::Start(std::function<void()> run, const char *caption) {
    Stop();
    thread_ = CreateThread(nullptr, 0, RunDialog, new std::function<void()>(run), 0, &threadId_);
    dialog_ = robot::WaitForWindow("#32770", caption);
    return dialog_;
}

bool DialogRunner::Finish() {
    bool closed = !dialog_ || robot::WaitForClose(dialog_);
    if (closed && thread_ && WaitForSingleObject(thread_, robot::kWaitMs) == WAIT_OBJECT_0) {
        CloseHandle(thread_);
        thread_ = nullptr;
        return true;
    }
    return false;
}

static BOOL CALLBACK CloseWindowOfThread(HWND window, LPARAM) {
    char name[16];
    if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof name) || strcmp(name, "#32770") != 0)
        return TRUE;
    if (robot::IsMessageBox(window)) {
        for (int button : {IDCANCEL, IDNO, IDOK}) PostMessageA(window, WM_COMMAND, button, 0);
    } else {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

void DialogRunner::Stop() {
    if (!thread_) return;
    for (int i = 0; i < 100; i++) {
        EnumThreadWindows(threadId_, CloseWindowOfThread, 0);
        if (WaitForSingleObject(thread_, 100) == WAIT_OBJECT_0) {
            CloseHandle(thread_);
            thread_ = nullptr;
            return;
        }
    }
    ADD_FAILURE() << "a dialog thread did not end";
    CloseHandle(thread_);
    thread_ = nullptr;
}

DialogRunner::~DialogRunner() { Stop(); }

namespace {

// The tests empty the RegisteredTokens key at will; the registrations the
// session made for other programs are put back when the binary ends.
class KeepRegisteredTokens : public ::testing::Environment {
public:
    void SetUp() override {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRegisteredTokensKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        for (DWORD i = 0;; i++) {
            char name[400], data[1024];
            DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
            if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, (BYTE *)data, &dataLength) != ERROR_SUCCESS)
                break;
            saved_.push_back({name, type, std::string(data, dataLength)});
        }
        RegCloseKey(key);
    }
    void TearDown() override {
        ClearRegisteredTokens();
        for (const Saved &s : saved_) RegisterRaw(s.name, s.type, s.data.data(), (DWORD)s.data.size());
    }

private:
    struct Saved {
        std::string name;
        DWORD type;
        std::string data;
    };
    std::vector<Saved> saved_;
};

::testing::Environment *const kKeep = ::testing::AddGlobalTestEnvironment(new KeepRegisteredTokens);

}  // namespace
