// The process-wide random pool of the program, fed by its Windows gatherers.
#pragma once
#include <stddef.h>
#include <stdint.h>

// RandomStart returns 0 on success and 1 on failure; RandomStop stops the
// gatherers and wipes the pool. RandomGetBytes writes min(length, 256)
// random bytes and returns that count (0 only when the pool cannot run).
int RandomStart(void);
void RandomStop(void);
size_t RandomGetBytes(void *out, size_t length);
void RandomAddBytes(const void *data, size_t length);
void RandomAddValue(uint32_t value);
