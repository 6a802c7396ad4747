// The software device on its own: what one mix of its buffers gives.
#include "audio/audio.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/support/test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

KWaveFormat Pcm(int rate, int channels, int bits) {
    KWaveFormat f = {};
    f.formatTag = 1;
    f.channels = static_cast<uint16_t>(channels);
    f.samplesPerSec = static_cast<uint32_t>(rate);
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
    f.bitsPerSample = static_cast<uint16_t>(bits);
    return f;
}

const uint32_t ALL_CONTROLS = KSND_CAPS_LOCSOFTWARE | KSND_CAPS_CTRLFREQUENCY | KSND_CAPS_CTRLPAN |
                              KSND_CAPS_CTRLVOLUME | KSND_CAPS_GLOBALFOCUS;

// A buffer holding a constant 16-bit value on every channel.
KAudioBuffer* ConstantBuffer(KAudioDevice* device, int rate, int channels, int frames,
                             int16_t value, uint32_t flags = ALL_CONTROLS) {
    KAudioBuffer* b = device->createBuffer(Pcm(rate, channels, 16), frames * channels * 2, flags);
    if (!b) return nullptr;
    void* p = nullptr;
    uint32_t n = 0;
    if (b->lock(0, 0, &p, &n, nullptr, nullptr, KSND_LOCK_ENTIREBUFFER) != KSND_OK) return nullptr;
    int16_t* s = static_cast<int16_t*>(p);
    for (uint32_t i = 0; i < n / 2; ++i)
        s[i] = value;
    b->unlock(p, n, nullptr, 0);
    return b;
}

std::vector<int16_t> Mix(KAudioDevice* device, int frames) {
    std::vector<int16_t> out(2 * frames);
    device->mix(out.data(), frames);
    return out;
}

// Each test starts with an offline device of its own, mixed only when it
// pulls.
class AudioDevice : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(device); }
    std::unique_ptr<KAudioDevice> device{KAudioDevice::createOffline(44100)};
};

} // namespace

// The gains themselves are heard in the sound effect tests; here, the
// device's own guard on its settings.
TEST_F(AudioDevice, OutOfRangeVolumeAndPanAreRefusedAndTheOldSettingStays) {
    KAudioBuffer* b = ConstantBuffer(device.get(), 44100, 1, 4096, 20000);
    ASSERT_TRUE(b);
    ASSERT_EQ(KSND_OK, b->play(KSND_PLAY_LOOPING));
    ASSERT_EQ(KSND_OK, b->setPan(-600));
    EXPECT_EQ(KSND_ERR_INVALIDPARAM, b->setPan(10001));
    EXPECT_EQ(KSND_ERR_INVALIDPARAM, b->setVolume(1));
    EXPECT_EQ(KSND_ERR_INVALIDPARAM, b->setVolume(-10001));
    int32_t pan = 0, volume = 1;
    b->getPan(&pan);
    b->getVolume(&volume);
    EXPECT_EQ(-600, pan);
    EXPECT_EQ(0, volume);
    ASSERT_EQ(KSND_OK, b->setVolume(KSND_VOLUME_MIN));
    std::vector<int16_t> silent = Mix(device.get(), 512);
    EXPECT_EQ(0, audiotest::PeakOf(silent, 0));
    EXPECT_EQ(0, audiotest::PeakOf(silent, 1));
}

// The limiter on the sum: sums up to -3 dBFS pass bit for bit; louder ones
// bend toward full scale, keep their sign and their order, and never reach it.
TEST_F(AudioDevice, LimiterBendsLoudSumsUnderFullScale) {
    struct Row {
        const char* what;
        int voices;
        int16_t value;
        int16_t exactly; // 0: limited, checked against the bounds below
    };
    const Row rows[] = {
        {"one voice under the threshold", 1, 23000, 23000},
        {"two under the threshold, summed", 2, -11500, -23000},
        {"three near full scale", 3, 30000, 0},
        {"three near negative full scale", 3, -30000, 0},
        {"the whole pool at full scale", MAX_AUDIO_BUFFERS, 32767, 0},
        {"the whole pool at negative full scale", MAX_AUDIO_BUFFERS, -32768, 0},
    };
    for (const Row& row : rows) {
        std::unique_ptr<KAudioDevice> device(KAudioDevice::createOffline(44100));
        ASSERT_TRUE(device);
        for (int v = 0; v < row.voices; ++v) {
            KAudioBuffer* b = ConstantBuffer(device.get(), 44100, 2, 256, row.value);
            ASSERT_TRUE(b) << row.what;
            b->play(KSND_PLAY_LOOPING);
        }
        std::vector<int16_t> out = Mix(device.get(), 4096);
        for (size_t i = 0; i < out.size(); ++i) {
            if (row.exactly) {
                ASSERT_EQ(row.exactly, out[i]) << row.what << " at " << i;
                continue;
            }
            ASSERT_LT(std::abs(int(out[i])), 32767) << row.what << " reaches full scale at " << i;
            ASSERT_GT(std::abs(int(out[i])), 23197) << row.what << " at " << i;
            ASSERT_EQ(row.value > 0, out[i] > 0) << row.what << " wrapped at " << i;
        }
    }
    // Louder in, louder out: the bend never folds back.
    int previous = 0;
    for (int voices = 1; voices <= 8; ++voices) {
        std::unique_ptr<KAudioDevice> device(KAudioDevice::createOffline(44100));
        for (int v = 0; v < voices; ++v)
            ConstantBuffer(device.get(), 44100, 1, 256, 20000)->play(KSND_PLAY_LOOPING);
        int level = Mix(device.get(), 512)[1000];
        EXPECT_GT(level, previous) << voices << " voices";
        previous = level;
    }
}

// A loud moment ducks the sum for a few tens of milliseconds, then quiet
// sound passes untouched again.
TEST_F(AudioDevice, LimiterLetsGoAfterTheLoudMoment) {
    KAudioBuffer* bed = ConstantBuffer(device.get(), 44100, 2, 256, 10000);
    KAudioBuffer* hit = ConstantBuffer(device.get(), 44100, 2, 441, 30000); // 10 ms, once
    ASSERT_TRUE(bed && hit);
    bed->play(KSND_PLAY_LOOPING);
    EXPECT_EQ(10000, Mix(device.get(), 100)[50]);
    hit->play(0);
    std::vector<int16_t> out = Mix(device.get(), 44100);
    EXPECT_LT(out[2 * 200], 32767);
    EXPECT_LT(out[2 * 600], 10000) << "just after the hit the bed is still ducked";
    EXPECT_EQ(10000, out[2 * 44000]) << "half a second later it passes untouched";
}

TEST_F(AudioDevice, ResamplesToTheOutputRate) {
    // 22050 Hz 8-bit mono lasts twice as many output frames.
    KAudioBuffer* b = device->createBuffer(Pcm(22050, 1, 8), 1000, ALL_CONTROLS);
    ASSERT_TRUE(b);
    void* p = nullptr;
    uint32_t n = 0;
    ASSERT_EQ(KSND_OK, b->lock(0, 0, &p, &n, nullptr, nullptr, KSND_LOCK_ENTIREBUFFER));
    std::memset(p, 128 + 64, n);
    b->unlock(p, n, nullptr, 0);
    b->play(0);
    std::vector<int16_t> out = Mix(device.get(), 3000);
    EXPECT_EQ(64 << 8, out[2 * 1990]);
    EXPECT_EQ(64 << 8, out[2 * 1990 + 1]);
    EXPECT_EQ(0, out[2 * 2001]);
}

// When the notifications fire is the music stream's test; here, the
// positions a buffer refuses to keep.
TEST_F(AudioDevice, NotificationPositionsOutsideTheBufferOrTheTableAreRefused) {
    KAudioBuffer* b = ConstantBuffer(device.get(), 44100, 2, 64, 0,
                                     ALL_CONTROLS | KSND_CAPS_CTRLPOSITIONNOTIFY);
    KAudioBuffer* plain = ConstantBuffer(device.get(), 44100, 2, 64, 0);
    ASSERT_TRUE(b && plain);
    KEvent event("n");
    KEvent* events[MAX_BUFFER_NOTIFY + 1];
    uint32_t offsets[MAX_BUFFER_NOTIFY + 1] = {};
    for (KEvent*& e : events)
        e = &event;
    EXPECT_EQ(KSND_OK, b->setNotificationPositions(1, offsets, events));
    EXPECT_EQ(KSND_ERR_INVALIDPARAM, plain->setNotificationPositions(1, offsets, events));
    EXPECT_EQ(KSND_ERR_INVALIDPARAM,
              b->setNotificationPositions(MAX_BUFFER_NOTIFY + 1, offsets, events));
    offsets[0] = 64 * 4;
    EXPECT_EQ(KSND_ERR_INVALIDPARAM, b->setNotificationPositions(1, offsets, events));
}

TEST_F(AudioDevice, LockGivesTwoRegionsAcrossTheEnd) {
    KAudioBuffer* b = device->createBuffer(Pcm(44100, 2, 16), 1000, ALL_CONTROLS);
    ASSERT_TRUE(b);
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(KSND_OK, b->lock(800, 400, &p1, &n1, &p2, &n2, 0));
    EXPECT_EQ(200u, n1);
    EXPECT_EQ(200u, n2);
    EXPECT_EQ(static_cast<uint8_t*>(p1) - 800, static_cast<uint8_t*>(p2));
    EXPECT_NE(KSND_OK, b->lock(0, 4, &p1, &n1, &p2, &n2, 0)) << "one lock at a time";
    EXPECT_EQ(KSND_OK, b->unlock(p1, n1, p2, n2));
    EXPECT_NE(KSND_OK, b->unlock(p1, n1, p2, n2)) << "nothing left to unlock";
    EXPECT_NE(KSND_OK, b->lock(1000, 4, &p1, &n1, &p2, &n2, 0));
    EXPECT_NE(KSND_OK, b->lock(0, 1001, &p1, &n1, &p2, &n2, 0));
    EXPECT_NE(KSND_OK, b->lock(800, 400, &p1, &n1, nullptr, nullptr, 0))
        << "a wrapping range needs somewhere to put its second region";
    EXPECT_EQ(KSND_OK, b->lock(0, 4, &p1, &n1, &p2, &n2, 0)) << "failed locks hold nothing";
}

// The mixer never reads what a writer holds locked: a voice whose next
// samples lie in the locked range plays silence for that stretch, keeps
// time, and sounds again once the range is unlocked.
TEST_F(AudioDevice, LockedRangeIsMixedAsSilence) {
    KAudioBuffer* b = ConstantBuffer(device.get(), 44100, 2, 4096, 5000);
    ASSERT_TRUE(b);
    b->play(KSND_PLAY_LOOPING);
    void* p = nullptr;
    uint32_t n = 0;
    ASSERT_EQ(KSND_OK, b->lock(2048 * 4, 1024 * 4, &p, &n, nullptr, nullptr, 0));
    EXPECT_EQ(5000, Mix(device.get(), 1024)[2 * 1000]) << "frames 0-1023 are not locked";
    EXPECT_EQ(0, audiotest::PeakOf(Mix(device.get(), 1024), 0)) << "1024-2047 reach the lock";
    EXPECT_EQ(0, audiotest::PeakOf(Mix(device.get(), 1024), 0)) << "2048-3071 are locked";
    uint32_t play = 0;
    b->getCurrentPosition(&play, nullptr);
    EXPECT_EQ(3072u * 4, play) << "silence keeps time";
    std::fill(static_cast<int16_t*>(p), static_cast<int16_t*>(p) + n / 2, int16_t(-7000));
    ASSERT_EQ(KSND_OK, b->unlock(p, n, nullptr, 0));
    EXPECT_EQ(5000, Mix(device.get(), 1024)[2 * 10]);
    EXPECT_EQ(-7000, Mix(device.get(), 4096)[2 * 2100]) << "what was written is heard";
}

// A writer thread refilling the halves of a looping buffer while the mixer
// plays it, as the music worker does. Every sample heard is one a writer
// pass finished, or the silence of a locked stretch; the thread sanitizer
// build checks that the two threads never touch the same memory unordered.
TEST_F(AudioDevice, WriterAndMixerShareABufferSafely) {
    const uint32_t half = 1024 * 4;
    KAudioBuffer* b = device->createBuffer(Pcm(44100, 2, 16), 2 * half,
                                           ALL_CONTROLS | KSND_CAPS_CTRLPOSITIONNOTIFY);
    ASSERT_TRUE(b);
    KEvent first("first"), second("second");
    KEvent* events[2] = {&first, &second};
    const uint32_t offsets[2] = {0, half};
    ASSERT_EQ(KSND_OK, b->setNotificationPositions(2, offsets, events));
    b->play(KSND_PLAY_LOOPING);
    std::atomic<bool> done(false);
    std::atomic<int> passes(0);
    std::thread writer([&] {
        for (int pass = 1; !done; ++pass) {
            KEvent* event = pass % 2 ? &second : &first;
            if (!event->wait(5)) continue;
            void* p = nullptr;
            uint32_t n = 0;
            if (b->lock((pass % 2 ? 0 : 1) * half, half, &p, &n, nullptr, nullptr, 0) != KSND_OK)
                continue;
            std::fill(static_cast<int16_t*>(p), static_cast<int16_t*>(p) + n / 2,
                      static_cast<int16_t>(pass % 2000 + 1));
            b->unlock(p, n, nullptr, 0);
            ++passes;
        }
    });
    // Mix until the writer has refilled each half many times over; the
    // deadline is only there for a writer that never runs.
    std::vector<int16_t> out(2 * 256);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool heardOnlyWhole = true;
    while (passes < 200 && std::chrono::steady_clock::now() < deadline && heardOnlyWhole) {
        device->mix(out.data(), 256);
        for (int16_t v : out)
            heardOnlyWhole = heardOnlyWhole && v >= 0 && v <= 2000;
    }
    done = true;
    writer.join();
    EXPECT_TRUE(heardOnlyWhole);
    EXPECT_GE(passes.load(), 200);
}

TEST_F(AudioDevice, RefusesFormatsItCannotMix) {
    const KWaveFormat f = Pcm(44100, 2, 16);
    EXPECT_TRUE(device->createBuffer(f, 64, ALL_CONTROLS));
    EXPECT_FALSE(device->createBuffer(f, 0, ALL_CONTROLS));
    KWaveFormat bad[5] = {f, f, f, f, f};
    bad[0].formatTag = 3;
    bad[1].channels = 6;
    bad[2].bitsPerSample = 24;
    bad[3].blockAlign = 3;
    bad[4].samplesPerSec = 0;
    for (const KWaveFormat& format : bad)
        EXPECT_FALSE(device->createBuffer(format, 64, ALL_CONTROLS)) << &format - bad;
}

TEST_F(AudioDevice, PoolRunsOutCleanlyAndReusesReleasedSlots) {
    KAudioBuffer* first = nullptr;
    for (int i = 0; i < MAX_AUDIO_BUFFERS; ++i) {
        KAudioBuffer* b = device->createBuffer(Pcm(44100, 1, 16), 16, ALL_CONTROLS);
        ASSERT_TRUE(b) << i;
        if (!first) first = b;
    }
    EXPECT_FALSE(device->createBuffer(Pcm(44100, 1, 16), 16, ALL_CONTROLS));
    first->release();
    EXPECT_EQ(first, device->createBuffer(Pcm(44100, 1, 16), 16, ALL_CONTROLS));
}

// The SDL output itself: what the disk driver wrote is what was mixed.
TEST_F(AudioDevice, DiskDriverWritesTheMix) {
    k3dtest::TempDir dir;
    setenv("SDL_DISKAUDIOFILE", dir.file("out.raw").c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    std::unique_ptr<KAudioDevice> device(KAudioDevice::create());
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    unsetenv("SDL_DISKAUDIODELAY");
    ASSERT_TRUE(device) << SDL_GetError();
    EXPECT_TRUE(device->hasOutput());
    EXPECT_EQ(44100, device->outputRate());
    KAudioBuffer* b = ConstantBuffer(device.get(), 44100, 1, 44100, 16000);
    ASSERT_TRUE(b);
    b->setPan(KSND_PAN_RIGHT);
    b->play(0);
    // The driver runs flat out (no delay): this waits for it to finish the
    // one second, with a bound only a stuck audio thread would reach.
    for (int i = 0; i < 60000 && device->playingCount() > 0; ++i)
        SDL_Delay(1);
    EXPECT_EQ(0, device->playingCount());
    device->closeOutput();
    EXPECT_FALSE(device->hasOutput());

    std::vector<int16_t> heard = audiotest::ReadRaw(dir.file("out.raw"));
    ASSERT_GE(heard.size(), 2u * 44100);
    EXPECT_EQ(0, audiotest::PeakOf(heard, 0));
    EXPECT_EQ(16000, audiotest::PeakOf(heard, 1));
    long first = audiotest::FirstLoudFrame(heard, 100);
    ASSERT_GE(first, 0);
    // One second of sound, heard whole and only once.
    size_t loud = 0;
    for (size_t i = 1; i < heard.size(); i += 2)
        loud += heard[i] == 16000;
    EXPECT_EQ(44100u, loud);
}

TEST(AudioEvent, AutoResetWithTimeoutAcrossThreads) {
    KEvent event("ksoundev0");
    EXPECT_FALSE(event.wait(0));
    event.set();
    event.set();
    EXPECT_TRUE(event.wait(0));
    EXPECT_FALSE(event.wait(0)) << "two sets before a wait are one signal";
    auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.wait(30));
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(25));
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        event.set();
    });
    EXPECT_TRUE(event.wait(5000));
    other.join();
}
