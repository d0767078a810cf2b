// What the random pool takes from mouse and key events: each accepted event
// yields 8 bytes (timing and event checksums); repeated or uninteresting
// events yield none.
#pragma once
#include <stdint.h>

struct RandomMouseState {
    uint32_t previousTime;  // milliseconds since system start
    uint32_t checksums[2];  // newest first, of every event seen
};

struct RandomKeyState {
    uint32_t previousTime;
    uint32_t scanCodes[2];  // newest first, of accepted events
};

// record20: the first 20 bytes of the mouse hook record (point, window,
// hit-test code, extra information). Returns the count of bytes put in out (0 or 8).
int RandomMouseEvent(RandomMouseState *state, const unsigned char record20[20], uint32_t now, unsigned char out[8]);
// keyInfo: the key information word of the keyboard hook.
int RandomKeyEvent(RandomKeyState *state, uint32_t keyInfo, uint32_t now, unsigned char out[8]);
