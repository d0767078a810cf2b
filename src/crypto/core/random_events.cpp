#include "crypto/core/random_events.h"

#include "crypto/core/byte_order.h"
#include "crypto/core/crc32.h"

namespace {

// Checksum of the time since the previous event followed by the time now.
uint32_t TimingChecksum(uint32_t delta, uint32_t now) {
    unsigned char bytes[8];
    StoreLe32(bytes, delta);
    StoreLe32(bytes + 4, now);
    return Crc32Update(0, bytes, sizeof bytes);
}

}  // namespace

int RandomMouseEvent(RandomMouseState *state, const unsigned char record20[20], uint32_t now, unsigned char out[8]) {
    uint32_t delta = state->previousTime - now;
    state->previousTime = now;
    uint32_t m = Crc32Update(0, record20, 20);
    int added = 0;
    if (m != state->checksums[0] && m != state->checksums[1]) {
        StoreLe32(out, TimingChecksum(delta, now));
        StoreLe32(out + 4, m);
        added = 8;
    }
    state->checksums[1] = state->checksums[0];
    state->checksums[0] = m;
    return added;
}

int RandomKeyEvent(RandomKeyState *state, uint32_t keyInfo, uint32_t now, unsigned char out[8]) {
    const uint32_t kReleased = 1u << 31, kAltDown = 1u << 29;
    // Only a single release of a key without Alt.
    if (!(keyInfo & kReleased) || (keyInfo & 0xFFFF) != 1 || (keyInfo & kAltDown)) return 0;
    uint32_t scan = (keyInfo >> 16) & 0xFF;
    if (scan == state->scanCodes[0] && scan == state->scanCodes[1]) return 0;
    uint32_t delta = state->previousTime - now;
    state->previousTime = now;
    state->scanCodes[1] = state->scanCodes[0];
    state->scanCodes[0] = scan;
    StoreLe32(out, keyInfo);
    StoreLe32(out + 4, TimingChecksum(delta, now));
    return 8;
}
