#include "progress_bar.h"

#include <stdio.h>
#include <time.h>
#include <unistd.h>

namespace {

double Now() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

const double kMiB = 1024.0 * 1024.0;

}  // namespace

void StartProgress(ProgressBar *bar, uint64_t total) {
    bar->shown = isatty(STDERR_FILENO);
    bar->total = total;
    bar->started = Now();
    bar->lastDrawn = 0;
}

void ShowProgress(ProgressBar *bar, uint64_t done) {
    if (!bar->shown) return;
    double now = Now();
    if (done < bar->total && now - bar->lastDrawn < 0.1) return;
    bar->lastDrawn = now;
    const int width = 30;
    int filled = bar->total ? int(double(done) / double(bar->total) * width) : width;
    char line[width + 1];
    for (int i = 0; i < width; i++) line[i] = i < filled ? '#' : '.';
    line[width] = 0;
    double elapsed = now - bar->started;
    double rate = elapsed > 0 ? double(done) / kMiB / elapsed : 0;
    fprintf(stderr, "\r[%s] %3d%%  %.1f of %.1f MiB  %.0f MiB/s ", line,
            bar->total ? int(double(done) * 100 / double(bar->total)) : 100, double(done) / kMiB,
            double(bar->total) / kMiB, rate);
    fflush(stderr);
}

void EndProgress(ProgressBar *bar) {
    if (bar->shown) fputc('\n', stderr);
}
