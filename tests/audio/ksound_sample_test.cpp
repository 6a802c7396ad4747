// KSound as a sound effect: tables, loading, voices, and what is heard.
#include "audio/audio.h"
#include "tests/audio/audio_fixtures.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <vorbis/vorbisfile.h>

#include <cstring>
#include <string>
#include <vector>

using k3dtest::TempDir;
using k3dtest::WriteWholeFile;

namespace {

using audiotest::VoicePan;
using audiotest::VoiceVolume;

// A generated effect, as written by the build: mono Ogg Vorbis at 22050 Hz.
std::string GeneratedOgg(const char* name) {
    std::string bytes;
    EXPECT_TRUE(k3dtest::ReadWholeFile(audiotest::GamePath(name), &bytes)) << name;
    return bytes;
}

std::string ToneWav(double seconds = 0.05, int rate = 22050, int channels = 1) {
    return audiotest::WavImage(audiotest::Tone(rate, channels, seconds, 440.0, 12000), rate,
                               channels);
}

// The voice holds, byte for byte, what an independent decode gives.
::testing::AssertionResult VoiceHoldsTheWholeDecode(const KSound& s, const std::string& path) {
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return ::testing::AssertionFailure() << "cannot open";
    std::vector<char> decoded;
    char chunk[4096];
    int bitstream = 0;
    // A hole (a gap in the stream) is skipped, as the game's loader does.
    for (long got; (got = ov_read(&vf, chunk, sizeof(chunk), 0, 2, 1, &bitstream)) != 0;) {
        if (got == OV_HOLE) continue;
        if (got < 0) break;
        decoded.insert(decoded.end(), chunk, chunk + got);
    }
    ov_clear(&vf);
    void* p = nullptr;
    uint32_t n = 0;
    if (s.getVoice(0)->lock(0, 0, &p, &n, nullptr, nullptr, KSND_LOCK_ENTIREBUFFER) != KSND_OK)
        return ::testing::AssertionFailure() << "cannot lock the voice";
    const bool same = decoded.size() == n && std::memcmp(decoded.data(), p, n) == 0;
    s.getVoice(0)->unlock(p, n, nullptr, 0);
    if (same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the voice holds " << n << " bytes, the decoder gives " << decoded.size();
}

class SoundEffect : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(audiotest::EnsureSoundDevice()); }
    TempDir dir;
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = dir.file(name);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }
};

} // namespace

// The gains themselves are heard below; here, the clamp to 0-100 and the
// setting reaching every voice.
TEST_F(SoundEffect, VolumeAndPanClampAndReachEveryVoice) {
    KSound s;
    ASSERT_TRUE(s.loadSample(Write("tone.wav", ToneWav()).c_str(), 100, false, 3));
    s.setVolume(100);
    const int32_t full = VoiceVolume(&s, 0);
    s.setVolume(150);
    EXPECT_EQ(100, s.getVolume());
    for (int v = 0; v < 3; ++v)
        EXPECT_EQ(full, VoiceVolume(&s, v)) << v;
    s.setVolume(-5);
    EXPECT_EQ(0, s.getVolume());
    EXPECT_EQ(-10000, VoiceVolume(&s, 2));
    s.setPan(250);
    EXPECT_EQ(10000, VoicePan(&s, 1));
    s.setPan(-100);
    EXPECT_EQ(-10000, VoicePan(&s, 2));
    // ±99 map just outside the device range: the voice keeps its pan.
    s.setPan(99);
    EXPECT_EQ(-10000, VoicePan(&s, 2));
}

TEST_F(SoundEffect, VoicesStartInTurn) {
    KSound s;
    ASSERT_TRUE(s.loadSample(Write("tone.wav", ToneWav()).c_str(), 100, false, 3));
    EXPECT_EQ(3, s.getVoiceCount());
    std::vector<int> started;
    for (int i = 0; i < 4; ++i) {
        s.playSample();
        started.push_back(s.getCurrentVoice());
        uint32_t status = 0;
        s.getVoice(s.getCurrentVoice())->getStatus(&status);
        EXPECT_TRUE(status & KSND_STATUS_PLAYING);
        EXPECT_FALSE(status & KSND_STATUS_LOOPING);
    }
    EXPECT_EQ((std::vector<int>{1, 2, 0, 1}), started);
    EXPECT_TRUE(s.isPlaying());
    s.stopSample();
    EXPECT_FALSE(s.isPlaying());

    // One voice: every play restarts voice 0.
    KSound one;
    ASSERT_TRUE(one.loadSample(dir.file("tone.wav").c_str(), 100, false, 1));
    one.playSample();
    one.playSample();
    EXPECT_EQ(0, one.getCurrentVoice());
}

TEST_F(SoundEffect, VoiceCountIsClamped) {
    std::string path = Write("tone.wav", ToneWav());
    KSound s;
    ASSERT_TRUE(s.loadSample(path.c_str(), 100, false, 0));
    EXPECT_EQ(1, s.getVoiceCount());
    EXPECT_TRUE(s.getVoice(0));
    EXPECT_FALSE(s.getVoice(1));
    ASSERT_TRUE(s.loadSample(path.c_str(), 100, false, 20));
    EXPECT_EQ(9, s.getVoiceCount());
    EXPECT_TRUE(s.getVoice(8));
    ASSERT_TRUE(s.loadSample(path.c_str(), 100, false, -3));
    EXPECT_EQ(1, s.getVoiceCount());
    EXPECT_FALSE(s.getVoice(8)) << "a new load releases the old voices";
}

TEST_F(SoundEffect, LoopingSampleLoopsUntilStopped) {
    KSound s;
    ASSERT_TRUE(s.loadSample(Write("tone.wav", ToneWav(0.01)).c_str(), 100, true, 1));
    s.playSample();
    uint32_t status = 0;
    s.getVoice(0)->getStatus(&status);
    EXPECT_EQ(KSND_STATUS_PLAYING | KSND_STATUS_LOOPING, status);
    // A hundred times its own length later it still plays.
    EXPECT_GE(audiotest::PullUntilSilent(s, 44100), 44100);
    EXPECT_TRUE(s.isPlaying());
    s.stopSample();
    EXPECT_FALSE(s.isPlaying());
    const std::vector<int16_t> after = audiotest::Pull(4096);
    EXPECT_EQ(0, audiotest::PeakOf(after, 0) + audiotest::PeakOf(after, 1))
        << "heard after the stop";
}

TEST_F(SoundEffect, UpperCaseOggTakesTheWavPath) {
    std::vector<int16_t> tone = audiotest::Tone(22050, 1, 0.1, 330.0, 10000);
    KSound s;
    // A real Ogg stream named .OGG is read as WAV and has no "data" tag.
    EXPECT_FALSE(
        s.loadSample(Write("T.OGG", GeneratedOgg("Sample\\click.ogg")).c_str(), 100, false, 1));
    EXPECT_FALSE(s.getVoice(0));
    // A WAV image named .OGG loads as WAV.
    EXPECT_TRUE(
        s.loadSample(Write("W.OGG", audiotest::WavImage(tone, 22050, 1)).c_str(), 100, false, 1));
    // ".ogg" anywhere in the name selects the Ogg path.
    EXPECT_FALSE(s.loadSample(Write("w.ogg.wav", audiotest::WavImage(tone, 22050, 1)).c_str(), 100,
                              false, 1));
}

TEST_F(SoundEffect, BadFilesFailAndLeaveTheObjectUsable) {
    std::string good = Write("good.wav", ToneWav());
    std::string wav = ToneWav();
    std::string noData = wav;
    noData.replace(noData.find("data"), 4, "dat_");
    std::string noFmt = wav;
    noFmt.replace(noFmt.find("fmt "), 4, "fmx ");
    std::string garbage(4000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>(i * 37 + 11);
    std::string badFormat = wav;
    badFormat[20] = 2; // format tag: not PCM

    const std::vector<std::string> bad = {
        dir.file("missing.wav"),
        Write("empty.wav", ""),
        Write("empty.ogg", ""),
        Write("nodata.wav", noData),
        Write("nofmt.wav", noFmt),
        Write("garbage.wav", garbage),
        Write("garbage.ogg", garbage),
        Write("badformat.wav", badFormat),
        Write("header.wav", wav.substr(0, 30)),
        Write("truncated.ogg", GeneratedOgg("Sample\\click.ogg").substr(0, 60)),
    };
    KSound s;
    for (const std::string& path : bad) {
        EXPECT_FALSE(s.loadSample(path.c_str(), 100, false, 2)) << path;
        EXPECT_FALSE(s.getVoice(0)) << path;
        EXPECT_FALSE(s.isPlaying()) << path;
        s.playSample();
        s.stopSample();
        s.setVolume(50);
        s.setPan(10);
        ASSERT_TRUE(s.loadSample(good.c_str(), 100, false, 2)) << "after " << path;
    }
    EXPECT_FALSE(s.loadSample(nullptr, 100, false, 1));
}

TEST_F(SoundEffect, WavDataSizePastTheEndKeepsWhatTheFileHolds) {
    std::string wav = ToneWav(0.1);
    size_t held = wav.size() - (wav.find("data") + 8);
    std::string lying = wav;
    size_t at = lying.find("data") + 4;
    lying[at] = lying[at + 1] = lying[at + 2] = static_cast<char>(0xFF);
    lying[at + 3] = 0x0F;
    KSound s;
    ASSERT_TRUE(s.loadSample(Write("lying.wav", lying).c_str(), 100, false, 1));
    EXPECT_EQ(held, s.getVoice(0)->bytes());

    // A file cut inside its sample data keeps the samples it still has.
    std::string cut = wav.substr(0, wav.size() - 1000);
    ASSERT_TRUE(s.loadSample(Write("cut.wav", cut).c_str(), 100, false, 1));
    EXPECT_EQ(held - 1000, s.getVoice(0)->bytes());
}

TEST_F(SoundEffect, NoDeviceMeansEveryLoadFailsQuietly) {
    std::string path = Write("tone.wav", ToneWav());
    KAudioDevice* saved = KSoundDevice::device;
    KSoundDevice::device = nullptr;
    KSound s;
    EXPECT_FALSE(s.loadSample(path.c_str(), 100, false, 1));
    s.playSample();
    s.stopSample();
    s.setVolume(10);
    s.setPan(-10);
    EXPECT_FALSE(s.isPlaying());
    KSoundDevice::device = saved;
}

// What comes out of the speakers: a played effect at the bank's volume 75
// with a pan, then silence once it is over.
TEST_F(SoundEffect, PlayedEffectIsHeardWithItsVolumeAndPan) {
    // A full-scale constant would tell gains exactly; a tone is closer to the game.
    std::vector<int16_t> tone = audiotest::Tone(44100, 1, 0.5, 441.0, 20000);
    KSound s;
    ASSERT_TRUE(
        s.loadSample(Write("t.wav", audiotest::WavImage(tone, 44100, 1)).c_str(), 100, false, 1));
    s.setVolume(75);
    s.setPan(-50); // right channel down 15.05 dB
    s.playSample();
    std::vector<int16_t> heard = audiotest::Pull(44100);
    EXPECT_FALSE(s.isPlaying());

    double left = audiotest::RmsOf(heard, 0, 0, 22050);
    double right = audiotest::RmsOf(heard, 1, 0, 22050);
    // Volume 75 is -345 mB: 0.672 of 20000 / sqrt 2.
    EXPECT_NEAR(20000 * 0.672 / 1.4142, left, 150);
    EXPECT_NEAR(0.1768, right / left, 0.01);
    // After its half second the effect is over: the rest is silence.
    EXPECT_GT(audiotest::RmsOf(heard, 0, 21950, 100), 1000.0);
    EXPECT_EQ(0.0, audiotest::RmsOf(heard, 0, 22050, 22050));
}

// An effect is decoded once into the memory of its voice, in the format
// of its stream: what the voice plays is the whole stream, sample for sample
// what the decoder gives, and loading it costs the heap about one copy of
// the samples, not two.
TEST_F(SoundEffect, OggIsHeldOnceInItsVoice) {
    // The heap a loaded effect holds, and its samples' bytes.
    auto load = [this](const char* name, size_t* pcmBytes) {
        const std::string path = Write("e.ogg", GeneratedOgg(name));
        struct mallinfo2 start = mallinfo2();
        auto* s = new KSound();
        EXPECT_TRUE(s->loadSample(path.c_str(), 100, false, 1));
        struct mallinfo2 loaded = mallinfo2();
        EXPECT_TRUE(VoiceHoldsTheWholeDecode(*s, path)) << name;
        *pcmBytes = s->getVoice(0)->bytes();
        delete s;
        return double(loaded.uordblks + loaded.hblkhd) - (start.uordblks + start.hblkhd);
    };
    // The difference between a long and a short effect leaves out what
    // every sound object holds whatever its length.
    size_t shortPcm = 0, longPcm = 0;
    const double shortHeld = load("Sample\\click.ogg", &shortPcm);
    const double longHeld = load("Sample\\gameover.ogg", &longPcm);
    ASSERT_GT(longPcm, 2 * shortPcm);
    if (longHeld < longPcm / 2.0)
        GTEST_SKIP() << "this allocator does not report its blocks (a sanitizer build)";
    EXPECT_LT(longHeld - shortHeld, 1.25 * double(longPcm - shortPcm))
        << "the samples are held more than once";
}

// Two streams written one after the other under one serial number: the
// decoder states the first one's length but decodes on into the second.
// The block grows to keep all of it.
TEST_F(SoundEffect, OggRunningPastItsStatedLengthIsKeptWhole) {
    const std::string image = GeneratedOgg("Sample\\click.ogg");
    KSound one;
    ASSERT_TRUE(one.loadSample(Write("one.ogg", image).c_str(), 100, false, 1));
    std::string path = Write("chained.ogg", image + image);
    KSound s;
    ASSERT_TRUE(s.loadSample(path.c_str(), 100, false, 2));
    EXPECT_GT(s.getVoice(0)->bytes(), one.getVoice(0)->bytes()) << "more than the first stream";
    EXPECT_TRUE(VoiceHoldsTheWholeDecode(s, path));
    EXPECT_EQ(s.getVoice(0)->bytes(), s.getVoice(1)->bytes());
}
