// The mix as the player hears it, made of the game's own sounds: the music
// at its default setting sits near the effects, and the busiest moment the
// game can make never reaches full scale. Each test prints its levels.
#include "audio/audio.h"
#include "audio/sound_bank.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const int RATE = 44100;
const int WINDOW_FRAMES = RATE / 20; // 50 ms

// What the setup screen's "50" and "100" give the music (see the bank).
const int32_t MUSIC_AT_50 = 30;
const int32_t MUSIC_AT_100 = 70;

double Db(double amplitude) {
    return amplitude > 0 ? 20.0 * std::log10(amplitude / 32768.0) : -200.0;
}

// Loudness of a stretch of stereo output, in dBFS: the RMS of its 50 ms
// windows that come within 20 dB of its loudest window, so that a decaying
// tail or a rest between phrases does not pull the figure down.
double GatedLoudnessDb(const std::vector<int16_t>& stereo) {
    std::vector<double> powers;
    for (size_t f = 0; f + WINDOW_FRAMES <= stereo.size() / 2; f += WINDOW_FRAMES) {
        double sum = 0;
        for (size_t i = 2 * f; i < 2 * (f + WINDOW_FRAMES); ++i)
            sum += double(stereo[i]) * stereo[i];
        powers.push_back(sum / (2.0 * WINDOW_FRAMES));
    }
    if (powers.empty()) return -200.0;
    const double gate = *std::max_element(powers.begin(), powers.end()) / 100.0;
    double sum = 0;
    int n = 0;
    for (double p : powers) {
        if (p >= gate) sum += p, ++n;
    }
    return Db(std::sqrt(sum / n));
}

struct Peaks {
    int peak = 0;
    long fullScale = 0; // samples at +32767 or -32768: clipped
};

Peaks PeaksOf(const std::vector<int16_t>& stereo) {
    Peaks p;
    for (int16_t v : stereo) {
        p.peak = std::max(p.peak, std::abs(int(v)));
        p.fullScale += v == 32767 || v == -32768;
    }
    return p;
}

using audiotest::GamePath;

// The generated bank, loaded the way start-up loads it.
class GameMix : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!k3dtest::FileExists(GamePath(SoundBankFiles[0])))
            GTEST_SKIP() << "the game data has not been generated";
        ASSERT_TRUE(audiotest::EnsureSoundDevice());
        savedEnabled = SoundEnabled;
        SoundEnabled = true;
        music.reset(LoadMusic(SoundBankFiles[0]));
        ASSERT_TRUE(music && music->hasModule());
        for (int i = 1; i <= SOUND_EFFECT_COUNT; ++i) {
            effects.emplace_back(LoadSoundEffect(SoundBankFiles[i]));
            ASSERT_TRUE(effects.back() && effects.back()->getVoice(0)) << SoundBankFiles[i];
        }
    }
    void TearDown() override {
        if (music) music->stopModule();
        SoundEnabled = savedEnabled;
    }
    // One part of the music at a volume, as the worker streams it, without
    // the two silent halves every start begins with.
    std::vector<int16_t> PlayMusic(int32_t part, int32_t volume, int seconds) {
        PlayMusicPart(music.get(), part);
        music->setVolume(volume);
        audiotest::Pull(2 * STREAM_HALF_FRAMES, music.get());
        return audiotest::Pull(seconds * RATE, music.get());
    }
    bool savedEnabled = false;
    std::unique_ptr<KSound> music;
    std::vector<std::unique_ptr<KSound>> effects;
};

} // namespace

TEST_F(GameMix, MusicAtTheDefaultSettingSitsNearTheEffects) {
    // Each effect alone at the bank's volume, from its start to its end.
    std::vector<double> effectDb;
    for (size_t i = 0; i < effects.size(); ++i) {
        KSound& e = *effects[i];
        const uint32_t frames = e.getVoice(0)->bytes() / e.getVoice(0)->format().blockAlign;
        const long outFrames = long(double(frames) * RATE / e.getVoice(0)->format().samplesPerSec);
        PlaySoundEffect(&e);
        std::vector<int16_t> heard = audiotest::Pull(int(outFrames) + 1);
        EXPECT_FALSE(e.isPlaying()) << SoundBankFiles[i + 1];
        effectDb.push_back(GatedLoudnessDb(heard));
        std::printf("effect %-24s loudness %6.1f dBFS, peak %6.1f dBFS\n", SoundBankFiles[i + 1],
                    effectDb.back(), Db(PeaksOf(heard).peak));
    }
    std::vector<double> sorted = effectDb;
    std::sort(sorted.begin(), sorted.end());
    const double typical = (sorted[15] + sorted[16]) / 2;
    std::printf("effects: typical (median) loudness %.1f dBFS, from %.1f to %.1f\n", typical,
                sorted.front(), sorted.back());

    for (int32_t part = 0; part < MUSIC_PART_COUNT; ++part) {
        std::vector<int16_t> heard = PlayMusic(part, MUSIC_AT_50, 20);
        const double loudness = GatedLoudnessDb(heard);
        const Peaks peaks = PeaksOf(heard);
        std::printf("music part %d at setting 50: loudness %.1f dBFS, RMS %.1f dBFS, peak %.1f "
                    "dBFS\n",
                    part, loudness, Db(audiotest::RmsOf(heard, 0, 0, heard.size() / 2)),
                    Db(peaks.peak));
        EXPECT_NEAR(typical, loudness, 6.0) << "music part " << part;
    }
}

// Every effect voice there can be in a game (the 32 effects and one more),
// at full volume, started together again and again while the loudest music
// plays at full volume: the limiter keeps every sample under full scale.
TEST_F(GameMix, WorstCaseNeverReachesFullScale) {
    KSound extra;
    ASSERT_TRUE(extra.loadSample(GamePath(SoundBankFiles[SFX_WIN]).c_str(), 100, false, 1));
    std::vector<KSound*> voices = {&extra};
    for (auto& e : effects)
        voices.push_back(e.get());
    ASSERT_EQ(33u, voices.size());
    for (KSound* v : voices)
        v->setVolume(100);

    Peaks worst;
    for (int32_t part = 0; part < MUSIC_PART_COUNT; ++part) {
        PlayMusicPart(music.get(), part);
        music->setVolume(100);
        audiotest::Pull(2 * STREAM_HALF_FRAMES, music.get());
        std::vector<int16_t> heard;
        // Ten times a second for three seconds, every voice starts again.
        for (int burst = 0; burst < 30; ++burst) {
            for (KSound* v : voices)
                PlaySoundEffect(v);
            std::vector<int16_t> chunk = audiotest::Pull(RATE / 10, music.get());
            heard.insert(heard.end(), chunk.begin(), chunk.end());
        }
        const Peaks peaks = PeaksOf(heard);
        std::printf("33 voices and music part %d at full volume: peak %d, full-scale samples %ld, "
                    "RMS %.1f dBFS\n",
                    part, peaks.peak, peaks.fullScale,
                    Db(audiotest::RmsOf(heard, 0, 0, heard.size() / 2)));
        EXPECT_EQ(0, peaks.fullScale) << "part " << part;
        EXPECT_GT(peaks.peak, 30000) << "part " << part << ": so loud a sum is limited, not lost";
        worst.peak = std::max(worst.peak, peaks.peak);
        worst.fullScale += peaks.fullScale;
    }
    std::printf("worst case: peak %d, full-scale samples %ld\n", worst.peak, worst.fullScale);
}

