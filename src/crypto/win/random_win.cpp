// The process-wide random pool: its lock, its polling thread, its hooks and
// the draw.
#include <windows.h>

#include <string.h>

#include "crypto/core/random_events.h"
#include "crypto/win/random_hooks.h"
#include "crypto/win/random_poll.h"
#include "crypto/core/random_pool.h"
#include "crypto/win/random_win.h"
#include "crypto/core/secure_wipe.h"

namespace {

CRITICAL_SECTION g_lock;
bool g_started = false;
unsigned char *g_buffer = nullptr;
RandomPool g_pool = {nullptr, 0};
bool g_stopRequested = false;
bool g_slowPollDone = false;
HHOOK g_mouseHook = nullptr;
HHOOK g_keyboardHook = nullptr;
HANDLE g_thread = nullptr;
// Touched only by the hooks, on the thread that started the pool.
RandomMouseState g_mouse = {};
RandomKeyState g_keys = {};

const DWORD kPollIntervalMs = 250;

#ifndef _WIN64
// On 32-bit Windows the checksummed 20 bytes are the whole mouse hook record.
static_assert(sizeof(MOUSEHOOKSTRUCT) == 20, "mouse hook record");
#endif

DWORD WINAPI PollingThread(LPVOID) {
    for (;;) {
        EnterCriticalSection(&g_lock);
        if (g_stopRequested) {
            g_stopRequested = false;  // the acknowledgement RandomStop waits for
            LeaveCriticalSection(&g_lock);
            return 0;
        }
        RandomFastPoll(&g_pool);
        LeaveCriticalSection(&g_lock);
        Sleep(kPollIntervalMs);
    }
}

void AddUnderLock(const unsigned char *bytes, int count) {
    if (!g_started || count <= 0) return;
    EnterCriticalSection(&g_lock);
    if (g_buffer) RandomPoolAdd(&g_pool, bytes, static_cast<size_t>(count));
    LeaveCriticalSection(&g_lock);
}

}  // namespace

LRESULT CALLBACK RandomMouseHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && lParam) {
        unsigned char record[20];
        memcpy(record, reinterpret_cast<const void *>(lParam), sizeof record);
        unsigned char bytes[8];
        AddUnderLock(bytes, RandomMouseEvent(&g_mouse, record, GetTickCount(), bytes));
    }
    // Every event goes on to the other hooks of the thread.
    return CallNextHookEx(g_mouseHook, code, wParam, lParam);
}

LRESULT CALLBACK RandomKeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) {
        unsigned char bytes[8];
        AddUnderLock(bytes, RandomKeyEvent(&g_keys, static_cast<uint32_t>(lParam), GetTickCount(), bytes));
    }
    return CallNextHookEx(g_keyboardHook, code, wParam, lParam);
}

int RandomStart(void) {
    if (g_started) return 0;
    InitializeCriticalSection(&g_lock);
    g_started = true;
    g_buffer = static_cast<unsigned char *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kRandomPoolBufferSize));
    g_pool.buffer = g_buffer;
    g_pool.position = 0;
    if (g_buffer) {
        DWORD thread = GetCurrentThreadId();
        g_mouseHook = SetWindowsHookExA(WH_MOUSE, RandomMouseHook, nullptr, thread);
        g_keyboardHook = SetWindowsHookExA(WH_KEYBOARD, RandomKeyboardHook, nullptr, thread);
    }
    if (g_buffer && g_mouseHook && g_keyboardHook)
        g_thread = CreateThread(nullptr, 0, PollingThread, nullptr, 0, nullptr);
    if (!g_buffer || !g_mouseHook || !g_keyboardHook || !g_thread) {
        RandomStop();
        return 1;
    }
    return 0;
}

void RandomStop(void) {
    if (!g_started) return;
    EnterCriticalSection(&g_lock);
    if (g_mouseHook) UnhookWindowsHookEx(g_mouseHook);
    if (g_keyboardHook) UnhookWindowsHookEx(g_keyboardHook);
    g_mouseHook = g_keyboardHook = nullptr;
    // Only a thread that exists can acknowledge; the lock is released while
    // waiting so that the thread can see the request.
    if (g_thread) {
        g_stopRequested = true;
        while (g_stopRequested) {
            LeaveCriticalSection(&g_lock);
            bool ended = WaitForSingleObject(g_thread, kPollIntervalMs) == WAIT_OBJECT_0;
            EnterCriticalSection(&g_lock);
            if (ended) break;  // ended without acknowledging (terminated)
        }
        g_stopRequested = false;
    }
    if (g_buffer) {
        volatile unsigned char *v = g_buffer;
        for (size_t i = 0; i < kRandomPoolBufferSize; ++i) v[i] = 0xFF;
        SecureWipe(g_buffer, kRandomPoolBufferSize);
        HeapFree(GetProcessHeap(), 0, g_buffer);
    }
    g_buffer = nullptr;
    g_pool.buffer = nullptr;
    g_pool.position = 0;
    RandomPollRelease();
    memset(&g_mouse, 0, sizeof g_mouse);
    memset(&g_keys, 0, sizeof g_keys);
    LeaveCriticalSection(&g_lock);
    if (g_thread) {
        WaitForSingleObject(g_thread, INFINITE);  // it has acknowledged: it is ending
        CloseHandle(g_thread);
        g_thread = nullptr;
    }
    DeleteCriticalSection(&g_lock);
    g_started = false;
}

size_t RandomGetBytes(void *out, size_t length) {
    if (length > kRandomPoolSize) length = kRandomPoolSize;
    // A draw before start-up starts the pool rather than hand out nothing.
    if (!g_started && RandomStart() != 0) {
        memset(out, 0, length);
        return 0;
    }
    EnterCriticalSection(&g_lock);
    RandomFastPoll(&g_pool);
    if (!g_slowPollDone) {
        g_slowPollDone = true;
        RandomSlowPoll(&g_pool);
    }
    size_t drawn = RandomPoolDraw(&g_pool, static_cast<unsigned char *>(out), length);
    LeaveCriticalSection(&g_lock);
    return drawn;
}

void RandomAddBytes(const void *data, size_t length) {
    if (!g_started) return;
    EnterCriticalSection(&g_lock);
    if (g_buffer) RandomPoolAdd(&g_pool, data, length);
    LeaveCriticalSection(&g_lock);
}

void RandomAddValue(uint32_t value) {
    if (!g_started) return;
    EnterCriticalSection(&g_lock);
    if (g_buffer) RandomPoolAddValue(&g_pool, value);
    LeaveCriticalSection(&g_lock);
}
