// System state gathered into the random pool. The caller holds the pool's
// lock. Failing sources are skipped silently.
#pragma once

struct RandomPool;

// Cheap values of the moment: windows, process and thread, memory, times,
// counters. Runs on every draw and every 250 ms on the polling thread.
void RandomFastPoll(RandomPool *pool);
// The system generator (64 bytes), network, disk and performance statistics;
// once per process.
void RandomSlowPoll(RandomPool *pool);
// Unloads what the slow poll loaded.
void RandomPollRelease();
