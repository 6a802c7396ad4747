#include <gtest/gtest.h>

#include <ctime>

#include "platform/platform.h"

namespace {
void SleepMs(int ms) {
    timespec pause = {0, ms * 1000000L};
    nanosleep(&pause, nullptr);
}
} // namespace

TEST(EngineClock, AdvancesWithWallTime) {
    initClock();
    const uint32_t start = getClockMs();
    SleepMs(40);
    const uint32_t later = getClockMs();
    EXPECT_GE(later - start, 38u);
    EXPECT_LT(later - start, 2000u);
    EXPECT_GE(getClockMs(), later);
}

TEST(EngineClock, ResyncDropsTheTimeSinceTheLastReading) {
    const uint32_t before = getClockMs();
    SleepMs(80);
    resyncClock();
    const uint32_t after = getClockMs();
    EXPECT_LT(after - before, 40u);
    // A new window's initClock never resets the count.
    initClock();
    EXPECT_GE(getClockMs(), after);
}
