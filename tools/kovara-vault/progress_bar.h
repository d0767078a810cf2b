// A one-line progress bar on standard error, drawn only when that is a terminal.
#pragma once
#include <stdint.h>

struct ProgressBar {
    bool shown;
    uint64_t total;
    double started;    // seconds, monotonic
    double lastDrawn;
};

void StartProgress(ProgressBar *bar, uint64_t total);
// Redraws at most ten times a second, and always when done reaches the total.
void ShowProgress(ProgressBar *bar, uint64_t done);
// Ends the line of a shown bar.
void EndProgress(ProgressBar *bar);
