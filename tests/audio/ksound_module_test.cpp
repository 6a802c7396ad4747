// KSound as music: module loading, the streamed halves, tunes and stopping.
#include "audio/audio.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/support/test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using k3dtest::TempDir;
using k3dtest::WriteWholeFile;

namespace {

// Four tunes of 2, 3, 1 and 2 orders: C-4, C-5, silence, C-3.
const std::vector<int> TUNE_ORDERS = {2, 3, 1, 2};
const std::vector<int> TUNE_NOTES = {49, 61, 0, 37};
const std::vector<int> TUNE_STARTS = {0, 2, 5, 6};

// The 16384 frames of one stream half, as stored in voice 0.
std::vector<int16_t> HalfOf(KSound& s, int half) {
    std::vector<int16_t> out;
    KAudioBuffer* voice = s.getVoice(0);
    if (!voice) return out;
    void* p = nullptr;
    uint32_t n = 0;
    if (voice->lock(half * STREAM_HALF_BYTES, STREAM_HALF_BYTES, &p, &n, nullptr, nullptr, 0) !=
        KSND_OK)
        return out;
    const int16_t* samples = static_cast<const int16_t*>(p);
    out.assign(samples, samples + n / 2);
    voice->unlock(p, n, nullptr, 0);
    return out;
}

int RisingZeroCrossings(const std::vector<int16_t>& stereo) {
    int count = 0;
    for (size_t i = 2; i < stereo.size(); i += 2)
        count += stereo[i - 2] < 0 && stereo[i] >= 0;
    return count;
}

class Music : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(audiotest::EnsureSoundDevice());
        path = dir.file("tunes.xm");
        ASSERT_TRUE(WriteWholeFile(path, audiotest::XmImage(TUNE_ORDERS, TUNE_NOTES)));
        fastPath = dir.file("fast.xm");
        ASSERT_TRUE(WriteWholeFile(fastPath, audiotest::XmImage(TUNE_ORDERS, TUNE_NOTES, 1, 255)));
    }
    TempDir dir;
    std::string path, fastPath;
};

} // namespace

TEST_F(Music, EachTuneRendersFromItsOrderAtItsPitch) {
    KSound s;
    ASSERT_TRUE(s.loadModule(path.c_str()));
    // Rendered by hand, without the worker; a stopModule would mark the
    // stream ended until the next playModule.
    for (size_t t = 0; t < TUNE_STARTS.size(); ++t) {
        s.setModuleOrder(TUNE_STARTS[t]);
        EXPECT_EQ(TUNE_STARTS[t], s.getModuleOrder());
        s.fillStreamHalf(1);
        std::vector<int16_t> half = HalfOf(s, 1);
        ASSERT_EQ(size_t(2 * STREAM_HALF_FRAMES), half.size());
        if (TUNE_NOTES[t] == 0) {
            EXPECT_EQ(0, audiotest::PeakOf(half, 0)) << t;
            continue;
        }
        EXPECT_GT(audiotest::PeakOf(half, 0), 1000) << t;
        // A 32-byte period at 8363 Hz for C-4 is 261 Hz; an octave doubles it.
        double hz = 8363.0 / 32 * std::pow(2.0, (TUNE_NOTES[t] - 49) / 12.0);
        double expected = hz * STREAM_HALF_FRAMES / 44100.0;
        EXPECT_NEAR(expected, RisingZeroCrossings(half), expected * 0.03 + 2) << t;
    }
}

TEST_F(Music, StreamsContinuouslyAfterTwoSilentHalves) {
    KSound s;
    ASSERT_TRUE(s.loadModule(path.c_str()));
    s.stopModule();
    s.setModuleOrder(0);
    s.playModule(true);
    EXPECT_TRUE(s.isPlaying());
    EXPECT_EQ(0, s.getRefillCount()) << "nothing is refilled before the output moves";
    std::vector<int16_t> heard = audiotest::Pull(STREAM_HALF_FRAMES, &s);
    // The play position starts at byte 1, so the first notification to come
    // is the one at 65536: half 0 is refilled first.
    EXPECT_EQ(1, s.getRefillCount());
    EXPECT_EQ(0, s.getLastRefillHalf());
    std::vector<int16_t> more = audiotest::Pull(5 * STREAM_HALF_FRAMES, &s);
    heard.insert(heard.end(), more.begin(), more.end());
    EXPECT_EQ(6, s.getRefillCount());
    EXPECT_TRUE(s.isPlaying());
    s.stopModule();
    EXPECT_FALSE(s.isPlaying());
    EXPECT_TRUE(s.getVoice(0)) << "the buffer stays for the next tune";
    EXPECT_TRUE(s.isEnded());
    EXPECT_EQ(0, s.getModuleOrder());
    std::vector<int16_t> after = audiotest::Pull(STREAM_HALF_FRAMES, &s);

    // Two halves of silence first, then sound with no gap.
    EXPECT_NEAR(2 * STREAM_HALF_FRAMES, audiotest::FirstLoudFrame(heard, 500), 64);
    for (long f = 2 * STREAM_HALF_FRAMES; f + 2048 <= 6 * STREAM_HALF_FRAMES; f += 2048) {
        ASSERT_GT(audiotest::RmsOf(heard, 0, f, 2048), 1000.0) << "gap at frame " << f;
    }
    EXPECT_EQ(0, audiotest::PeakOf(after, 0)) << "nothing after the stop but silence";
}

TEST_F(Music, PlayedOnceStopsAtTheLoopPoint) {
    KSound s;
    ASSERT_TRUE(s.loadModule(fastPath.c_str()));
    s.stopModule();
    s.setModuleOrder(0);
    s.playModule(false);
    // The tune (32 fast rows, ~0.3 s) ends inside the first refill, which
    // stops the stream.
    EXPECT_LE(audiotest::PullUntilSilent(s, 10 * STREAM_HALF_FRAMES), STREAM_HALF_FRAMES);
    EXPECT_TRUE(s.isEnded());
    EXPECT_EQ(1, s.getRefillCount());
    s.stopModule();
    // Started again, the looping tune keeps going past its loop point.
    s.playModule(true);
    std::vector<int16_t> heard = audiotest::Pull(5 * STREAM_HALF_FRAMES, &s);
    EXPECT_EQ(5, s.getRefillCount());
    EXPECT_TRUE(s.isPlaying());
    EXPECT_FALSE(s.isEnded());
    s.stopModule();
    EXPECT_GT(audiotest::PeakOf(heard, 0), 1000);
}

// A stop wakes the worker instead of waiting for its next look around:
// with that wait made an hour long, stopping still takes no time.
TEST_F(Music, StopWakesAndJoinsTheWorker) {
    KSound s;
    ASSERT_TRUE(s.loadModule(path.c_str()));
    const int savedWait = KSound::streamWaitMs;
    KSound::streamWaitMs = 3600 * 1000;
    for (int round = 0; round < 3; ++round) {
        s.stopModule();
        s.setModuleOrder(TUNE_STARTS[round]);
        s.playModule(true);
        EXPECT_TRUE(s.isPlaying());
        audiotest::Pull(STREAM_HALF_FRAMES / 2, &s);
        auto before = std::chrono::steady_clock::now();
        s.stopModule();
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(60));
        EXPECT_FALSE(s.isPlaying());
        EXPECT_EQ(0, s.getRefillCount()) << "a wake for the stop refills nothing";
    }
    // A second play without a stop between replaces the worker cleanly.
    s.playModule(true);
    s.playModule(true);
    EXPECT_TRUE(s.isPlaying());
    s.stopModule();
    EXPECT_FALSE(s.isPlaying());
    KSound::streamWaitMs = savedWait;
}

TEST_F(Music, BadModulesFailAndLeaveTheObjectUsable) {
    std::string xm = audiotest::XmImage(TUNE_ORDERS, TUNE_NOTES);
    std::string garbage(5000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>(i * 131 + 7);
    const std::vector<std::string> bad = {
        dir.file("missing.xm"),
        dir.file("empty.xm"),
        dir.file("garbage.xm"),
        dir.file("header.xm"),
    };
    ASSERT_TRUE(WriteWholeFile(dir.file("empty.xm"), ""));
    ASSERT_TRUE(WriteWholeFile(dir.file("garbage.xm"), garbage));
    ASSERT_TRUE(WriteWholeFile(dir.file("header.xm"), xm.substr(0, 300)));
    KSound s;
    for (const std::string& p : bad) {
        EXPECT_FALSE(s.loadModule(p.c_str())) << p;
        EXPECT_FALSE(s.hasModule()) << p;
        EXPECT_FALSE(s.getVoice(0)) << p;
        s.setModuleOrder(3);
        EXPECT_EQ(-1, s.getModuleOrder()) << "setModuleOrder on a failed load does nothing";
        s.playModule(true);
        EXPECT_FALSE(s.isPlaying()) << p;
        s.stopModule();
        s.setVolume(40);
        ASSERT_TRUE(s.loadModule(path.c_str())) << "after " << p;
    }
    // A truncated module loads as much as DUMB accepts, or fails: never crashes.
    for (size_t cut : {xm.size() / 2, xm.size() - 10}) {
        ASSERT_TRUE(WriteWholeFile(dir.file("cut.xm"), xm.substr(0, cut)));
        if (s.loadModule(dir.file("cut.xm").c_str())) {
            s.fillStreamHalf(0);
            s.fillStreamHalf(1);
        }
    }
    EXPECT_FALSE(s.loadModule(nullptr));
}

TEST_F(Music, OrderOutsideTheModuleFallsBackToTheTop) {
    KSound s;
    ASSERT_TRUE(s.loadModule(path.c_str()));
    s.setModuleOrder(200);
    EXPECT_EQ(0, s.getModuleOrder());
    s.fillStreamHalf(0);
    EXPECT_GT(audiotest::PeakOf(HalfOf(s, 0), 0), 1000);
    s.setModuleOrder(-4);
    EXPECT_EQ(0, s.getModuleOrder());
    s.setModuleOrder(int32_t(TUNE_STARTS.back()) + 2);
    EXPECT_EQ(0, s.getModuleOrder()) << "one past the last order";
    s.setModuleOrder(7);
    EXPECT_EQ(7, s.getModuleOrder());
}

TEST_F(Music, SampleLoadReplacesTheModule) {
    KSound s;
    ASSERT_TRUE(s.loadModule(path.c_str()));
    s.playModule(true);
    ASSERT_TRUE(
        WriteWholeFile(dir.file("t.wav"),
                       audiotest::WavImage(audiotest::Tone(22050, 1, 0.1, 440, 8000), 22050, 1)));
    ASSERT_TRUE(s.loadSample(dir.file("t.wav").c_str(), 100, false, 1));
    EXPECT_FALSE(s.hasModule());
    EXPECT_FALSE(s.getVoice(0)->hasNotify());
    s.playSample();
    EXPECT_TRUE(s.isPlaying());
}

// A process whose audio never opens: set-up is retried by the next sound,
// and loads fail without ever reaching the module player unprepared.
TEST(NoSoundDevice, LoadsFailAndTheNextSoundRetriesTheSetUp) {
    if (KSoundDevice::liveCount != 0 || SDL_WasInit(SDL_INIT_AUDIO)) {
        GTEST_SKIP() << "the device is already up in this process";
    }
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.file("t.xm"), audiotest::XmImage({2}, {49})));
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    {
        KSound music;
        EXPECT_EQ(nullptr, KSoundDevice::device);
        EXPECT_EQ(0, KSoundDevice::liveCount);
        EXPECT_FALSE(music.loadModule(dir.file("t.xm").c_str()));
        music.setModuleOrder(2);
        music.playModule(true);
        EXPECT_FALSE(music.isPlaying());
        music.stopModule();
    }
    setenv("SDL_AUDIODRIVER", "disk", 1);
    KSound music;
    ASSERT_NE(nullptr, KSoundDevice::device);
    EXPECT_EQ(1, KSoundDevice::liveCount);
    EXPECT_TRUE(music.loadModule(dir.file("t.xm").c_str()));
    KSound second;
    EXPECT_EQ(2, KSoundDevice::liveCount);
}
