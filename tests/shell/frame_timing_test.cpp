#include <gtest/gtest.h>

#include "shell/shell.h"

namespace {

// Starts an averaging window at clock t, as the loop does before frame 1.
void ResetWindow(double t) {
    FrameStart = (int)t;
    FrameCount = 0;
}

// Runs frames of the given duration from t; returns the clock after them.
double RunFrames(double t, int frames, double durationMs) {
    for (int i = 0; i < frames; ++i) {
        t += durationMs;
        UpdateFrameTiming(t);
    }
    return t;
}

} // namespace

TEST(FrameTiming, SixtyFramesPerSecondSettlesAt16And62) {
    ResetWindow(1000);
    RunFrames(1000, 400, 1000.0 / 60.0);
    EXPECT_EQ(FrameMs, 16);
    EXPECT_EQ(FpsEstimate, 62);
}

TEST(FrameTiming, FastLoopsClampTo5) {
    ResetWindow(0);
    RunFrames(0, 300, 1000.0 / 300.0);
    EXPECT_EQ(FrameMs, 5);
    EXPECT_EQ(FpsEstimate, 200);
}

TEST(FrameTiming, StallAfterResetClampsTo100ThenDecays) {
    ResetWindow(5000);
    double t = RunFrames(5000, 1, 2000);
    EXPECT_EQ(FrameMs, 100);
    EXPECT_EQ(FpsEstimate, 10);
    t = RunFrames(t, 9, 10); // (2000 + 90) / 10
    EXPECT_EQ(FrameMs, 100);
    t = RunFrames(t, 20, 10); // (2000 + 290) / 30
    EXPECT_EQ(FrameMs, 76);
    RunFrames(t, 70, 10); // (2000 + 990) / 100
    EXPECT_EQ(FrameMs, 29);
}

TEST(FrameTiming, Frame128AveragesTheWindowAndFrame129StandsAlone) {
    ResetWindow(0);
    double t = RunFrames(0, 127, 10);
    EXPECT_EQ(FrameCount, 127);
    t = RunFrames(t, 1, 50); // (1270 + 50) / 128 = 10.3
    EXPECT_EQ(FrameMs, 10);
    EXPECT_EQ(FrameCount, 0);
    EXPECT_EQ(FrameStart, (int)t);
    RunFrames(t, 1, 30);
    EXPECT_EQ(FrameMs, 30);
    EXPECT_EQ(FpsEstimate, 33);
}

TEST(FrameTiming, GameClockIsWallTimeNotCpuTime) {
    const double before = GameClockMs();
    EXPECT_GE(before, 0.0);
    // A sleeping process uses no CPU; the game clock must still advance.
    timespec pause = {0, 60 * 1000000L};
    nanosleep(&pause, nullptr);
    const double after = GameClockMs();
    EXPECT_GE(after - before, 55.0);
    EXPECT_LT(after - before, 5000.0);
}
