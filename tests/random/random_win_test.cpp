// The process-wide random pool under Windows: start and stop, draws, and the
// hook procedures fed with crafted events.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "crypto/win/random_hooks.h"
#include "crypto/win/random_poll.h"
#include "crypto/core/random_pool.h"
#include "crypto/win/random_win.h"
#include "import_patch.h"

namespace {

bool AllZero(const unsigned char *p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

TEST(RandomPool, StartsPollsAndStopsAgainAndAgain) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(0, RandomStart());
        EXPECT_EQ(0, RandomStart()) << "a second start while running is harmless";
        // Nothing shows that the polling thread has polled: this gives it the
        // time to, so that the stop below meets it inside its loop.
        Sleep(300);
        unsigned char out[20];
        EXPECT_EQ(20u, RandomGetBytes(out, sizeof out));
        EXPECT_FALSE(AllZero(out, sizeof out));
        RandomStop();
    }
    RandomStop();  // stopping a stopped pool does nothing
}

TEST(RandomPool, DrawIsCappedAt256BytesAndDrawsDiffer) {
    ASSERT_EQ(0, RandomStart());
    std::vector<unsigned char> big(300, 0xA5);
    EXPECT_EQ(256u, RandomGetBytes(big.data(), big.size()));
    EXPECT_EQ(std::vector<unsigned char>(44, 0xA5), std::vector<unsigned char>(big.begin() + 256, big.end()));
    unsigned char a[20], b[20], key[256];
    RandomGetBytes(a, sizeof a);
    RandomGetBytes(b, sizeof b);
    EXPECT_NE(0, std::memcmp(a, b, sizeof a));
    EXPECT_EQ(256u, RandomGetBytes(key, sizeof key));
    EXPECT_NE(0, std::memcmp(key, big.data(), sizeof key));
    RandomStop();
}

TEST(RandomPool, RestartedPoolDoesNotRepeatItsKeyBlock) {
    // A restart begins from a zeroed pool and (the slow poll being done once
    // per process) only the fast poll tells the runs apart; one mix carries
    // that into the later part of a draw, so whole 256-byte draws must differ.
    unsigned char first[256], second[256];
    ASSERT_EQ(0, RandomStart());
    RandomGetBytes(first, sizeof first);
    RandomStop();
    ASSERT_EQ(0, RandomStart());
    RandomGetBytes(second, sizeof second);
    RandomStop();
    EXPECT_NE(0, std::memcmp(first, second, sizeof first));
}

TEST(RandomPool, DrawBeforeStartStartsThePool) {
    unsigned char out[20] = {};
    EXPECT_EQ(20u, RandomGetBytes(out, sizeof out));
    EXPECT_FALSE(AllZero(out, sizeof out));
    RandomStop();
}

TEST(RandomPool, AddingAroundARunIsSafe) {
    RandomAddBytes("early", 5);  // not started: ignored
    ASSERT_EQ(0, RandomStart());
    RandomAddBytes("some entropy", 12);
    RandomAddValue(0x12345678);
    unsigned char out[20];
    EXPECT_EQ(20u, RandomGetBytes(out, sizeof out));
    RandomStop();
    // Adding to a stopped pool is ignored rather than touching freed memory.
    RandomAddBytes("late", 4);
    RandomAddValue(1);
}

TEST(RandomPool, DrawsFromSeveralThreadsWhileThePollerRuns) {
    ASSERT_EQ(0, RandomStart());
    std::vector<std::vector<unsigned char>> drawn(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&drawn, t] {
            for (int i = 0; i < 25; ++i) {
                unsigned char out[20];
                RandomGetBytes(out, sizeof out);
                drawn[t].insert(drawn[t].end(), out, out + sizeof out);
            }
        });
    for (auto &th : threads) th.join();
    RandomStop();
    // No two 20-byte draws of the hundred are equal.
    std::vector<std::vector<unsigned char>> all;
    for (auto &d : drawn)
        for (size_t i = 0; i < d.size(); i += 20) all.emplace_back(d.begin() + i, d.begin() + i + 20);
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j) EXPECT_NE(all[i], all[j]);
}

TEST(RandomHooks, CraftedEventsAreTakenAndNegativeCodesPassedOn) {
    ASSERT_EQ(0, RandomStart());
    MOUSEHOOKSTRUCT mouse = {};
    mouse.pt.x = 10;
    mouse.pt.y = 20;
    mouse.wHitTestCode = HTCLIENT;
    for (int i = 0; i < 300; ++i) {
        mouse.pt.x = i;
        EXPECT_EQ(0, RandomMouseHook(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&mouse)));
    }
    EXPECT_EQ(0, RandomMouseHook(-1, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&mouse)));
    // Releases of different keys, presses, repeats and Alt combinations.
    for (int scan = 1; scan < 100; ++scan) {
        LPARAM release = static_cast<LPARAM>(0xC0000001u | (scan << 16));
        EXPECT_EQ(0, RandomKeyboardHook(HC_ACTION, 'A', release));
        EXPECT_EQ(0, RandomKeyboardHook(HC_ACTION, 'A', static_cast<LPARAM>(1 | (scan << 16))));
        EXPECT_EQ(0, RandomKeyboardHook(HC_ACTION, 'A', static_cast<LPARAM>(0xE0000001u | (scan << 16))));
    }
    EXPECT_EQ(0, RandomKeyboardHook(-1, 'A', 0));
    unsigned char out[20];
    EXPECT_EQ(20u, RandomGetBytes(out, sizeof out));
    RandomStop();
    // Hooks called after the stop touch nothing.
    EXPECT_EQ(0, RandomMouseHook(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&mouse)));
    EXPECT_EQ(0, RandomKeyboardHook(HC_ACTION, 'A', static_cast<LPARAM>(0xC0010001u)));
}

TEST(RandomPolls, FastPollAddsTheSameAmountEachTimeAfterTheFirst) {
    std::vector<unsigned char> buffer(kRandomPoolBufferSize, 0);
    RandomPool pool = {buffer.data(), 0};
    RandomFastPoll(&pool);  // may be the process's first, with the start-up record
    unsigned before = pool.position;
    RandomFastPoll(&pool);
    unsigned step = (pool.position + kRandomPoolSize - before) % kRandomPoolSize;
    before = pool.position;
    RandomFastPoll(&pool);
    EXPECT_EQ(step, (pool.position + kRandomPoolSize - before) % kRandomPoolSize);
    // 18 values, caret and cursor, memory status, eight times, two working-set
    // sizes and the performance counter.
    EXPECT_EQ(18 * 4 + 16 + sizeof(MEMORYSTATUS) + 64 + 2 * sizeof(SIZE_T) + 8, step);
}

TEST(RandomPolls, SlowPollGathersSomethingAndEnds) {
    std::vector<unsigned char> buffer(kRandomPoolBufferSize, 0);
    RandomPool pool = {buffer.data(), 0};
    RandomSlowPoll(&pool);
    RandomPollRelease();
    EXPECT_FALSE(AllZero(buffer.data(), kRandomPoolSize)) << "no statistics reached the pool";
}

// The system generator as the slow poll sees it: the import in this program
// is pointed at a stand-in that records the request and answers as told.
struct GeneratorCalls {
    int count = 0;
    DWORD lastLength = 0;
    BOOL answer = TRUE;
} g_generator;

BOOL WINAPI RecordingGenRandom(HCRYPTPROV, DWORD length, BYTE *out) {
    ++g_generator.count;
    g_generator.lastLength = length;
    if (!g_generator.answer) return FALSE;
    for (DWORD i = 0; i < length; ++i) out[i] = static_cast<BYTE>(0xC0 + i);
    return TRUE;
}

TEST(RandomPolls, SlowPollAddsSixtyFourBytesOfTheSystemGeneratorWhenItAnswers) {
    void *original = ReplaceImport("CryptGenRandom", reinterpret_cast<void *>(&RecordingGenRandom));
    ASSERT_NE(nullptr, original) << "the slow poll does not import CryptGenRandom";
    std::vector<unsigned char> buffer(kRandomPoolBufferSize, 0), refused(kRandomPoolBufferSize, 0);
    RandomPool pool = {buffer.data(), 0};
    g_generator = GeneratorCalls();
    RandomSlowPoll(&pool);
    EXPECT_EQ(1, g_generator.count);
    EXPECT_EQ(64u, g_generator.lastLength);

    // A generator that fails is skipped: the other sources still arrive.
    RandomPool other = {refused.data(), 0};
    g_generator = GeneratorCalls();
    g_generator.answer = FALSE;
    RandomSlowPoll(&other);
    RandomPollRelease();
    ReplaceImport("CryptGenRandom", original);
    EXPECT_EQ(1, g_generator.count);
    EXPECT_FALSE(AllZero(refused.data(), kRandomPoolSize));
}

// A thread on a desktop opened without the right to install hooks cannot
// start the pool: the start fails before the polling thread exists, and the
// stop that follows must not wait for that thread.
TEST(RandomPool, FailedStartReturnsAtOnceAndLeavesNothingRunning) {
    HDESK desktop =
        CreateDesktopA("KovaraNoHooks", nullptr, nullptr, 0, DESKTOP_CREATEWINDOW | DESKTOP_READOBJECTS, nullptr);
    ASSERT_NE(nullptr, desktop);
    struct Outcome {
        BOOL moved = FALSE;
        int started = -1;
    } outcome;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            Outcome *o = static_cast<Outcome *>(p);
            HDESK d = OpenDesktopA("KovaraNoHooks", 0, FALSE, DESKTOP_CREATEWINDOW | DESKTOP_READOBJECTS);
            o->moved = d && SetThreadDesktop(d);
            o->started = RandomStart();
            return 0;
        },
        &outcome, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    DWORD waited = WaitForSingleObject(thread, 10000);
    EXPECT_EQ(WAIT_OBJECT_0, waited) << "the failed start hung";
    if (waited != WAIT_OBJECT_0) return;  // leave the stuck thread rather than crash
    CloseHandle(thread);
    ASSERT_TRUE(outcome.moved);
    EXPECT_EQ(1, outcome.started);
    // Nothing is left half-started: a normal start and draw work afterwards.
    ASSERT_EQ(0, RandomStart());
    unsigned char out[20];
    EXPECT_EQ(20u, RandomGetBytes(out, sizeof out));
    RandomStop();
    CloseDesktop(desktop);
}

// Hooks of the test, installed before the pool's: the pool's hooks are
// called first and must pass every event on to them.
int g_keysSeen = 0, g_mouseSeen = 0;
HHOOK g_testKeys = nullptr, g_testMouse = nullptr;

LRESULT CALLBACK TestKeyboardHook(int code, WPARAM w, LPARAM l) {
    if (code >= 0) ++g_keysSeen;
    return CallNextHookEx(g_testKeys, code, w, l);
}

LRESULT CALLBACK TestMouseHook(int code, WPARAM w, LPARAM l) {
    if (code >= 0) ++g_mouseSeen;
    return CallNextHookEx(g_testMouse, code, w, l);
}

void PumpQueued() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Dispatches this thread's messages, waiting for each next one, until the
// condition holds; false when it still does not after timeoutMs.
bool PumpUntil(const std::function<bool()> &condition, DWORD timeoutMs) {
    for (DWORD start = GetTickCount();;) {
        PumpQueued();
        if (condition()) return true;
        DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - waited, QS_ALLINPUT);
    }
}

TEST(RandomHooks, InstalledHooksPassTheThreadsInputOn) {
    DWORD thread = GetCurrentThreadId();
    g_testKeys = SetWindowsHookExA(WH_KEYBOARD, TestKeyboardHook, nullptr, thread);
    g_testMouse = SetWindowsHookExA(WH_MOUSE, TestMouseHook, nullptr, thread);
    ASSERT_TRUE(g_testKeys && g_testMouse);
    ASSERT_EQ(0, RandomStart());
    HWND window = CreateWindowExA(0, "Edit", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 100, 200, 60, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    SetForegroundWindow(window);
    SetFocus(window);
    PumpQueued();
    g_keysSeen = g_mouseSeen = 0;
    keybd_event('K', 0x25, 0, 0);
    keybd_event('K', 0x25, KEYEVENTF_KEYUP, 0);
    SetCursorPos(150, 130);
    mouse_event(MOUSEEVENTF_MOVE, 5, 5, 0, 0);
    PumpUntil([] { return g_keysSeen >= 2 && g_mouseSeen >= 1; }, 10000);
    EXPECT_GE(g_keysSeen, 2) << "key events did not get past the pool's hook";
    EXPECT_GE(g_mouseSeen, 1) << "mouse events did not get past the pool's hook";
    RandomStop();
    DestroyWindow(window);
    UnhookWindowsHookEx(g_testKeys);
    UnhookWindowsHookEx(g_testMouse);
}

}  // namespace
