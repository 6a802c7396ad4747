// The engine clock: a sum of raw monotonic differences, so the window can
// pause it by re-basing instead of subtracting.
#include "platform/platform.h"

#include <ctime>

static int64_t clockBase = 0;
static uint32_t lastRawMs = 0;
static uint32_t clockMs = 0;

void initClock() {
    lastRawMs = rawMs();
}

uint32_t rawMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t ms = (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
    return (uint32_t)(ms - clockBase);
}

uint32_t getClockMs() {
    const uint32_t raw = rawMs();
    clockMs += raw - lastRawMs;
    lastRawMs = raw;
    return clockMs;
}

void resyncClock() {
    lastRawMs = rawMs();
}
