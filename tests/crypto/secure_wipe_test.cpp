// The password given to DeriveKey must not survive in the stack frames it
// used: after it returns, the dead stack below the caller is searched for it.
#include <gtest/gtest.h>
#include <string.h>

#include "crypto/core/derive_key.h"
#include "crypto/core/secure_wipe.h"

namespace {

const char kPassword[] = "Battery-77";
const char kControlPassword[] = "Lantern-31";
// Far deeper than the frames of DeriveKey and its helpers.
constexpr size_t kDeadStackBytes = 32 * 1024;

#if defined(__clang__) || defined(__GNUC__)
#define NOINLINE __attribute__((noinline))
#define NO_ASAN __attribute__((no_sanitize_address))
#define KEEP(p) __asm__ __volatile__("" : : "r"(p) : "memory")
#endif

// Fills the stack below the caller with zeros, so only what the next call
// leaves there can be found.
NOINLINE void ClearStackBelow() {
    volatile unsigned char area[kDeadStackBytes];
    for (size_t i = 0; i < sizeof area; ++i) area[i] = 0;
}

NOINLINE void DeriveFromFrame(const char *password) {
    const unsigned char salt[kSaltLength] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    unsigned char derived[kDerivedKeyLength];
    DeriveKey(reinterpret_cast<const unsigned char *>(password), int(strlen(password)), salt, kSaltLength, 3, derived,
              kDerivedKeyLength);
    KEEP(derived);
    SecureWipe(derived, sizeof derived);
}

// Runs call one kilobyte deeper than the caller's other calls, below the
// frame of the search that follows.
NOINLINE void CallDeeper(void (*call)(const char *), const char *password) {
    volatile unsigned char padding[1024];
    for (size_t i = 0; i < sizeof padding; ++i) padding[i] = 1;
    call(password);
    KEEP(&padding);
}

// The control: a frame that copies the password and does not wipe it.
NOINLINE void CopyWithoutWipe(const char *password) {
    char copy[64];
    memcpy(copy, password, strlen(password) + 1);
    KEEP(copy);
}

// Searches the dead stack below this frame, past its own few hundred bytes. Reads go
// through a volatile pointer and past the sanitizer: the bytes are dead.
NO_ASAN NOINLINE bool DeadStackHolds(const char *text) {
    const volatile unsigned char *top = static_cast<unsigned char *>(__builtin_frame_address(0));
    const size_t length = strlen(text);
    const volatile unsigned char *bottom = top - kDeadStackBytes;
    for (const volatile unsigned char *p = bottom; p + length <= top - 512; ++p) {
        size_t i = 0;
        while (i < length && p[i] == static_cast<unsigned char>(text[i])) ++i;
        if (i == length) return true;
    }
    return false;
}

TEST(SecureWipe, ZeroesEveryByteAndNothingBeyond) {
    unsigned char buffer[40];
    memset(buffer, 0xA5, sizeof buffer);
    SecureWipe(buffer + 4, 32);
    for (size_t i = 0; i < sizeof buffer; ++i) EXPECT_EQ(i >= 4 && i < 36 ? 0 : 0xA5, buffer[i]) << i;
    SecureWipe(nullptr, 8);  // nothing to do, no fault
}

TEST(SecureWipe, NoCopyOfThePasswordOutlivesDeriveKey) {
    ClearStackBelow();
    CallDeeper(CopyWithoutWipe, kControlPassword);
    ASSERT_TRUE(DeadStackHolds(kControlPassword)) << "the search cannot see a frame left unwiped";

    ClearStackBelow();
    CallDeeper(DeriveFromFrame, kPassword);
    EXPECT_FALSE(DeadStackHolds(kPassword)) << "DeriveKey left the password in its dead stack frames";
}

}  // namespace
