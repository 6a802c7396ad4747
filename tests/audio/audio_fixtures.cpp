#include "tests/audio/audio_fixtures.h"

#include "audio/audio.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

// The module player's XM reader leaks a small block when it gives up on a
// truncated file; that is the library's, not ours, so the leak checker of
// the sanitizer build is told to let it pass.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:dumb_read_xm_quick\n";
}

namespace audiotest {

namespace {

// The tests need a device that writes what it plays; the idle output goes
// nowhere at real-time pace so it costs no CPU.
struct DiskDriverDefaults {
    DiskDriverDefaults() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
        unsetenv("SDL_DISKAUDIODELAY");
    }
} diskDriverDefaults;

void put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
void putText(std::string& s, const char* text, size_t width) {
    size_t n = std::strlen(text);
    for (size_t i = 0; i < width; ++i)
        s.push_back(i < n ? text[i] : '\0');
}

} // namespace

std::vector<int16_t> Tone(int rate, int channels, double seconds, double hz, double amplitude) {
    size_t frames = static_cast<size_t>(rate * seconds);
    std::vector<int16_t> out(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        double v = amplitude * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate);
        for (int c = 0; c < channels; ++c)
            out[i * channels + c] = static_cast<int16_t>(v);
    }
    return out;
}

std::string WavImage(const std::vector<int16_t>& samples, int rate, int channels) {
    const int bits = 16;
    std::string data;
    for (int16_t v : samples)
        put16(data, static_cast<uint16_t>(v));
    std::string s = "RIFF";
    put32(s, static_cast<uint32_t>(36 + data.size()));
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);
    put16(s, channels);
    put32(s, rate);
    put32(s, rate * channels * bits / 8);
    put16(s, channels * bits / 8);
    put16(s, bits);
    s += "data";
    put32(s, static_cast<uint32_t>(data.size()));
    return s + data;
}

std::string XmImage(const std::vector<int>& tuneOrders, const std::vector<int>& notes, int speed,
                    int bpm) {
    int orderCount = 0;
    for (int n : tuneOrders)
        orderCount += n;
    std::string s = "Extended Module: ";
    putText(s, "test tunes", 20);
    s.push_back(0x1A);
    putText(s, "k3d tests", 20);
    put16(s, 0x0104);
    put32(s, 276);
    put16(s, orderCount);
    put16(s, 0);
    put16(s, 2); // channels
    put16(s, orderCount);
    put16(s, 1); // instruments
    put16(s, 1); // linear frequencies
    put16(s, speed);
    put16(s, bpm);
    for (int i = 0; i < 256; ++i)
        s.push_back(static_cast<char>(i < orderCount ? i : 0));

    int order = 0;
    for (size_t t = 0; t < tuneOrders.size(); ++t) {
        int first = order;
        for (int k = 0; k < tuneOrders[t]; ++k, ++order) {
            bool last = k == tuneOrders[t] - 1;
            std::string cells;
            const int rows = 16;
            for (int row = 0; row < rows; ++row) {
                // Channel 0: the tune's note on row 0; channel 1: the jump.
                if (row == 0 && notes[t] > 0) {
                    cells.push_back(static_cast<char>(0x80 | 0x01 | 0x02));
                    cells.push_back(static_cast<char>(notes[t]));
                    cells.push_back(1);
                } else {
                    cells.push_back(static_cast<char>(0x80));
                }
                if (row == rows - 1 && last) {
                    cells.push_back(static_cast<char>(0x80 | 0x08 | 0x10));
                    cells.push_back(0x0B);
                    cells.push_back(static_cast<char>(first));
                } else {
                    cells.push_back(static_cast<char>(0x80));
                }
            }
            put32(s, 9);
            s.push_back(0);
            put16(s, rows);
            put16(s, static_cast<uint32_t>(cells.size()));
            s += cells;
        }
    }

    // One instrument with one looping 8-bit square wave of 32 bytes.
    const int sampleBytes = 32;
    put32(s, 263);
    putText(s, "square", 22);
    s.push_back(0);
    put16(s, 1);
    put32(s, 40);
    s.append(96, '\0'); // keymap: every note plays sample 0
    s.append(96, '\0'); // volume and pan envelopes
    s.append(8, '\0');  // point counts, sustain and loop points
    s.append(2, '\0');  // envelope types (off)
    s.append(4, '\0');  // vibrato
    put16(s, 0);        // fadeout
    s.append(22, '\0'); // reserved
    put32(s, sampleBytes);
    put32(s, 0);
    put32(s, sampleBytes);
    s.push_back(64); // volume
    s.push_back(0);  // finetune
    s.push_back(1);  // forward loop, 8-bit
    s.push_back(static_cast<char>(128));
    s.push_back(0); // relative note
    s.push_back(0);
    putText(s, "square", 22);
    int8_t previous = 0;
    for (int i = 0; i < sampleBytes; ++i) {
        int8_t v = i < sampleBytes / 2 ? 96 : -96;
        s.push_back(static_cast<char>(static_cast<int8_t>(v - previous)));
        previous = v;
    }
    return s;
}

int32_t VoiceVolume(const KSound* sound, int voice) {
    int32_t v = 1;
    if (!sound || !sound->getVoice(voice) || sound->getVoice(voice)->getVolume(&v) != KSND_OK)
        return 1;
    return v;
}

int32_t VoicePan(const KSound* sound, int voice) {
    int32_t p = 1;
    if (!sound || !sound->getVoice(voice) || sound->getVoice(voice)->getPan(&p) != KSND_OK)
        return 1;
    return p;
}

uint32_t PlayPosition(const KSound* sound) {
    uint32_t position = 0;
    if (sound && sound->getVoice(0)) sound->getVoice(0)->getCurrentPosition(&position, nullptr);
    return position;
}

std::string GamePath(const char* gameName) {
    std::string name = gameName;
    for (char& c : name)
        if (c == '\\') c = '/';
    return std::string(k3dtest::GameDir()) + "/" + name;
}

std::vector<int16_t> ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

int PeakOf(const std::vector<int16_t>& stereo, int channel) {
    int peak = 0;
    for (size_t i = channel; i < stereo.size(); i += 2) {
        int v = std::abs(static_cast<int>(stereo[i]));
        if (v > peak) peak = v;
    }
    return peak;
}

double RmsOf(const std::vector<int16_t>& stereo, int channel, size_t firstFrame, size_t frames) {
    double sum = 0;
    size_t n = 0;
    for (size_t f = firstFrame; f < firstFrame + frames && 2 * f + 1 < stereo.size(); ++f, ++n) {
        double v = stereo[2 * f + channel];
        sum += v * v;
    }
    return n ? std::sqrt(sum / n) : 0.0;
}

long FirstLoudFrame(const std::vector<int16_t>& stereo, int threshold) {
    for (size_t i = 0; i < stereo.size(); ++i) {
        if (std::abs(static_cast<int>(stereo[i])) > threshold) return static_cast<long>(i / 2);
    }
    return -1;
}

bool EnsureSoundDevice() {
    if (!KSoundDevice::device) useSoundDevice(KAudioDevice::createOffline(44100));
    return KSoundDevice::device != nullptr;
}

namespace {

const int PULL_CHUNK_FRAMES = 1024;
// Only a worker that has hung misses this.
const auto REFILL_BOUND = std::chrono::seconds(60);

} // namespace

bool Pull(int frames, std::vector<int16_t>* out, const KSound* music) {
    KAudioDevice* device = KSoundDevice::device;
    out->assign(2 * static_cast<size_t>(frames), 0);
    if (!device) return false;
    int32_t expected = music ? music->getRefillCount() : 0;
    for (int done = 0; done < frames;) {
        const int chunk = frames - done < PULL_CHUNK_FRAMES ? frames - done : PULL_CHUNK_FRAMES;
        const uint32_t before = PlayPosition(music);
        device->mix(out->data() + 2 * done, chunk);
        done += chunk;
        if (!music) continue;
        const uint32_t after = PlayPosition(music);
        const bool wrapped = after < before;
        expected += wrapped;
        expected += before < STREAM_HALF_BYTES && (after >= STREAM_HALF_BYTES || wrapped);
        const auto deadline = std::chrono::steady_clock::now() + REFILL_BOUND;
        while (music->getRefillCount() < expected) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the stream worker never refilled half " << expected;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    return true;
}

std::vector<int16_t> Pull(int frames, const KSound* music) {
    std::vector<int16_t> out;
    Pull(frames, &out, music);
    return out;
}

long PullUntilSilent(KSound& sound, long maxFrames) {
    std::vector<int16_t> scratch;
    long pulled = 0;
    const KSound* stream = sound.hasModule() ? &sound : nullptr;
    while (sound.isPlaying() && pulled < maxFrames) {
        Pull(PULL_CHUNK_FRAMES, &scratch, stream);
        pulled += PULL_CHUNK_FRAMES;
    }
    return pulled;
}

} // namespace audiotest
