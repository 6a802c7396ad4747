// The game's sound bank: which calls reach the sound objects, and what the
// generated data gives when loaded the way start-up loads it.
#include "audio/audio.h"
#include "audio/sound_bank.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using k3dtest::TempDir;
using k3dtest::WriteWholeFile;

namespace {

using audiotest::GamePath;
using audiotest::PlayPosition;
using audiotest::VoiceVolume;

// The data generator writes Music/ and Sample/ into the build directory;
// until it does there is nothing to check, which these tests say.
#define REQUIRE_GENERATED(path)                                                                    \
    if (!k3dtest::FileExists(path)) GTEST_SKIP() << (path) << " has not been generated"

// Each test starts with the bank empty and sound enabled, and puts back
// what it found.
class Bank : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(audiotest::EnsureSoundDevice());
        saved = SoundBank;
        savedEnabled = SoundEnabled;
        SoundBank = SoundBankTable{};
        SoundEnabled = true;
    }
    void TearDown() override {
        SoundBank = saved;
        SoundEnabled = savedEnabled;
    }
    // An effect loaded from a temp file the way the bank loads its entries.
    KSound* Effect(const std::string& name, double seconds) {
        std::string path = dir.file(name);
        EXPECT_TRUE(WriteWholeFile(
            path, audiotest::WavImage(audiotest::Tone(22050, 1, seconds, 440, 9000), 22050, 1)));
        KSound* s = new KSound();
        EXPECT_TRUE(s->loadSample(path.c_str(), 100, false, 1));
        s->setVolume(75);
        owned.emplace_back(s);
        return s;
    }
    KSound* Music(const std::vector<int>& orders) {
        std::string path = dir.file("music.xm");
        std::vector<int> notes(orders.size(), 49);
        EXPECT_TRUE(WriteWholeFile(path, audiotest::XmImage(orders, notes)));
        KSound* s = new KSound();
        EXPECT_TRUE(s->loadModule(path.c_str()));
        owned.emplace_back(s);
        return s;
    }
    TempDir dir;
    SoundBankTable saved;
    bool savedEnabled = false;
    std::vector<std::unique_ptr<KSound>> owned;
};

} // namespace

TEST_F(Bank, DisabledSoundIgnoresRequests) {
    KSound* click = Effect("click.wav", 0.2);
    KSound* music = Music({2, 2});
    SoundEnabled = false;
    LoadSoundBank();
    EXPECT_EQ(nullptr, SoundBank.music);
    EXPECT_EQ(nullptr, SoundBank.effects[SFX_CLICK]);
    PlaySoundEffect(click);
    EXPECT_FALSE(click->isPlaying());
    PlayMusicPart(music, 1);
    EXPECT_FALSE(music->isPlaying());
    EXPECT_EQ(0, music->getModuleOrder());
    // Only the object's presence matters to these.
    SoundBank.music = music;
    SetMusicVolume(30);
    EXPECT_EQ(-1443, VoiceVolume(music));
    EXPECT_FALSE(IsMusicPlaying());
}

TEST_F(Bank, NoneIsSafeEverywhere) {
    PlaySoundEffect(nullptr);
    PlaySoundEffect(SoundBank.effects[SFX_CLICK]);
    PlayMusicPart(nullptr, 0);
    EXPECT_FALSE(IsMusicPlaying());
    StopMusic();
    SetMusicVolume(50);
}

TEST_F(Bank, EffectRestartsAndDifferentEffectsOverlap) {
    KSound* click = Effect("click.wav", 2.0);
    KSound* rollover = Effect("rollover.wav", 2.0);
    PlaySoundEffect(click);
    ASSERT_TRUE(click->isPlaying());
    audiotest::Pull(4096);
    uint32_t before = PlayPosition(click);
    ASSERT_GE(before, 4000u);
    PlaySoundEffect(click);
    EXPECT_LT(PlayPosition(click), before) << "a second play starts it again";
    EXPECT_TRUE(click->isPlaying());
    PlaySoundEffect(rollover);
    EXPECT_TRUE(click->isPlaying());
    EXPECT_TRUE(rollover->isPlaying());
    click->stopSample();
    rollover->stopSample();
}

TEST_F(Bank, MusicPartsStartAtTheirOrders) {
    // Five tunes laid out at the game's start orders.
    KSound* music = Music({9, 27, 21, 15, 3});
    SoundBank.music = music;
    const int32_t parts[] = {1, 4, 7, 3, 0, 2, -1};
    const int32_t orders[] = {9, 72, 0, 57, 0, 36, 0};
    for (int i = 0; i < 7; ++i) {
        PlayMusicPart(music, parts[i]);
        // The worker renders nothing before its first notification, a third
        // of a second away: the order is still the start order.
        EXPECT_EQ(orders[i], music->getModuleOrder()) << parts[i];
        EXPECT_TRUE(IsMusicPlaying());
    }
    StopMusic();
    EXPECT_FALSE(IsMusicPlaying());
    EXPECT_EQ(0, music->getModuleOrder());
}

TEST_F(Bank, MissingFilesGiveSilentObjects) {
    KSound* effect = LoadSoundEffect("Sample\\no-such-effect.ogg");
    ASSERT_NE(nullptr, effect);
    owned.emplace_back(effect);
    EXPECT_FALSE(effect->getVoice(0));
    PlaySoundEffect(effect);
    EXPECT_FALSE(effect->isPlaying());
    KSound* music = LoadMusic("Music\\no-such-tune.xm");
    ASSERT_NE(nullptr, music);
    owned.emplace_back(music);
    PlayMusicPart(music, 0);
    EXPECT_FALSE(music->isPlaying());
}

// The generated data, loaded the way start-up loads it: the first frame's
// call hands the effects to the worker without waiting for them, later
// frames' calls finish them once decoded.
TEST_F(Bank, GeneratedBankLoadsWhole) {
    REQUIRE_GENERATED(GamePath(SoundBankFiles[0]));
    BeginLoadingSoundBank();
    ContinueLoadingSoundBank();
    ASSERT_NE(nullptr, SoundBank.effects[SFX_CLICK]);
    EXPECT_FALSE(SoundBank.effects[SFX_CLICK]->getVoice(0)) << "the first frame waited";
    for (int frame = 0; frame < 20000 && !SoundBank.effects[SFX_CLICK]->getVoice(0); ++frame) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ContinueLoadingSoundBank();
    }
    ASSERT_NE(nullptr, SoundBank.music);
    owned.emplace_back(SoundBank.music);
    EXPECT_TRUE(SoundBank.music->hasModule());
    for (int i = 1; i <= SOUND_EFFECT_COUNT; ++i) {
        KSound* s = SoundBank.effects[i];
        ASSERT_NE(nullptr, s) << SoundBankFiles[i];
        owned.emplace_back(s);
        ASSERT_TRUE(s->getVoice(0)) << SoundBankFiles[i] << " did not decode";
        EXPECT_EQ(-345, VoiceVolume(s)) << SoundBankFiles[i];
        const KWaveFormat& f = s->getVoice(0)->format();
        double seconds = double(s->getVoice(0)->bytes()) / f.avgBytesPerSec;
        EXPECT_GT(seconds, 0.02) << SoundBankFiles[i];
        EXPECT_LT(seconds, 6.0) << SoundBankFiles[i] << ": effects are short";
    }
    EXPECT_EQ(nullptr, SoundBank.effects[0]);
}

// Each tune plays through to its last order and comes back to its own
// first one, never leaving its orders (the module has 78).
TEST_F(Bank, GeneratedTunesSoundAndStayInTheirOrders) {
    std::string path = GamePath(SoundBankFiles[0]);
    REQUIRE_GENERATED(path);
    KSound music;
    ASSERT_TRUE(music.loadModule(path.c_str()));
    const int32_t starts[] = {0, 9, 36, 57, 72, 78};
    for (int part = 0; part < MUSIC_PART_COUNT; ++part) {
        const int32_t lo = starts[part], hi = starts[part + 1] - 1;
        music.setModuleOrder(lo);
        ASSERT_EQ(lo, music.getModuleOrder()) << "the module has no order " << lo;
        int loudHalves = 0;
        bool reachedEnd = false, cameBack = false;
        // At most about half an hour of music: every tune is far shorter.
        for (int i = 0; i < 5000 && !cameBack; ++i) {
            music.fillStreamHalf(i & 1);
            const int32_t order = music.getModuleOrder();
            ASSERT_GE(order, lo) << "part " << part << " after " << i << " halves";
            ASSERT_LE(order, hi) << "part " << part << " after " << i << " halves";
            cameBack = reachedEnd && order == lo;
            reachedEnd = reachedEnd || order == hi;
            if (i < 8) {
                void* p = nullptr;
                uint32_t n = 0;
                music.getVoice(0)->lock((i & 1) * STREAM_HALF_BYTES, STREAM_HALF_BYTES, &p, &n,
                                        nullptr, nullptr, 0);
                std::vector<int16_t> half(static_cast<int16_t*>(p),
                                          static_cast<int16_t*>(p) + n / 2);
                music.getVoice(0)->unlock(p, n, nullptr, 0);
                loudHalves += audiotest::RmsOf(half, 0, 0, STREAM_HALF_FRAMES) > 300.0;
            }
        }
        EXPECT_TRUE(cameBack) << "part " << part << " never came back to its first order";
        EXPECT_GE(loudHalves, 6) << "part " << part << " is mostly silent";
    }
}

