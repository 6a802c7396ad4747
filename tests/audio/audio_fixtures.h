// Test helpers for the sound tests: small WAV and XM files written from
// code, and the engine's output pulled by the test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class KSound;

namespace audiotest {

// A sine tone, 16-bit PCM.
std::vector<int16_t> Tone(int rate, int channels, double seconds, double hz, double amplitude);

// A canonical RIFF/WAVE file image of 16-bit PCM.
std::string WavImage(const std::vector<int16_t>& samples, int rate, int channels);

// An XM module: one channel, a looping square-wave instrument, and tunes
// laid out one after another. tuneOrders[t] is the number of orders of tune
// t; each order has its own 16-row pattern whose first row plays notes[t],
// and the last order of each tune jumps back to the tune's first order.
// A note of 0 leaves that tune silent.
std::string XmImage(const std::vector<int>& tuneOrders, const std::vector<int>& notes,
                    int speed = 6, int bpm = 125);

// The volume and pan of a sound's voice, 1 when it has none; the play
// position of its first voice, 0 when it has none.
int32_t VoiceVolume(const KSound* sound, int voice = 0);
int32_t VoicePan(const KSound* sound, int voice = 0);
uint32_t PlayPosition(const KSound* sound);
// A game path ("Music\\quon.xm") in the generated game directory.
std::string GamePath(const char* gameName);

// The stereo S16 frames a raw disk-driver file holds.
std::vector<int16_t> ReadRaw(const std::string& path);
// Peak of one channel (0 left, 1 right) of interleaved stereo.
int PeakOf(const std::vector<int16_t>& stereo, int channel);
double RmsOf(const std::vector<int16_t>& stereo, int channel, size_t firstFrame, size_t frames);
// Index of the first frame whose sample on either channel exceeds threshold, or -1.
long FirstLoudFrame(const std::vector<int16_t>& stereo, int threshold);

// Makes sure the engine device exists: an offline device, which mixes only
// when a test pulls it, so what the tests hear never depends on the clock
// or on how busy the machine is.
bool EnsureSoundDevice();

// Pulls frames of output from the engine device, 1024 at a time as the SDL
// callback would. With a streaming music object: whenever a chunk passes
// one of its half-buffer notifications, waits for the worker's refill
// before pulling on (false, with a failed expectation, if it never comes).
bool Pull(int frames, std::vector<int16_t>* out, const KSound* music = nullptr);
std::vector<int16_t> Pull(int frames, const KSound* music = nullptr);
// Pulls until the sound stops, at most maxFrames (in step with the worker
// when it is music); the frames pulled.
long PullUntilSilent(KSound& sound, long maxFrames);

} // namespace audiotest
