// Small synthesis kit shared by the effect and music writers: oscillators,
// envelopes, noise and filters over plain float buffers. Everything is
// deterministic (a fixed-seed generator, no clock), so every run writes the
// same bytes.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace audiosynth {

constexpr double PI = 3.14159265358979323846;

// A linear congruential generator: the same numbers on every machine.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed) {}
    uint32_t nextBits() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    // Uniform in [-1, 1).
    float next() { return static_cast<float>(nextBits() & 0xFFFF) / 32768.0f - 1.0f; }
    // Whole number in [0, n).
    int below(int n) {
        return n <= 0 ? 0 : static_cast<int>(nextBits() % static_cast<uint32_t>(n));
    }
};

enum Wave { WAVE_SINE, WAVE_TRIANGLE, WAVE_SQUARE, WAVE_SAW };

// Smooths the jump of a naive square or saw so that high notes do not alias.
inline double PolyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// One sample of the wave at phase in [0, 1); dt is the phase step per sample.
inline double WaveAt(Wave wave, double phase, double dt) {
    switch (wave) {
    case WAVE_SINE:
        return std::sin(2.0 * PI * phase);
    case WAVE_TRIANGLE:
        return phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
    case WAVE_SQUARE: {
        double v = phase < 0.5 ? 1.0 : -1.0;
        v += PolyBlep(phase, dt);
        v -= PolyBlep(std::fmod(phase + 0.5, 1.0), dt);
        return v;
    }
    case WAVE_SAW:
        return 2.0 * phase - 1.0 - PolyBlep(phase, dt);
    }
    return 0.0;
}

// A tone from start for dur seconds, its frequency gliding exponentially from
// f0 to f1, its level rising over attack seconds and then decaying with the
// time constant tau (0: held). The last 4 ms fade out so that nothing clicks.
struct Tone {
    double start = 0.0, dur = 0.1;
    double f0 = 440.0, f1 = 440.0;
    Wave wave = WAVE_SINE;
    double amp = 1.0;
    double attack = 0.002, tau = 0.0;
    double vibratoHz = 0.0, vibratoDepth = 0.0; // depth as a frequency ratio
};

inline void AddTone(std::vector<float>& buf, int rate, const Tone& t) {
    const int first = static_cast<int>(t.start * rate);
    const int count = static_cast<int>(t.dur * rate);
    const double fade = 0.004 * rate;
    double phase = 0.0;
    for (int i = 0; i < count; ++i) {
        const int at = first + i;
        if (at < 0) continue;
        if (at >= static_cast<int>(buf.size())) break;
        const double time = static_cast<double>(i) / rate;
        double f = t.f0 * std::pow(t.f1 / t.f0, time / t.dur);
        if (t.vibratoHz > 0.0) f *= 1.0 + t.vibratoDepth * std::sin(2.0 * PI * t.vibratoHz * time);
        const double dt = f / rate;
        double env = t.attack > 0.0 && time < t.attack ? time / t.attack : 1.0;
        if (t.tau > 0.0) env *= std::exp(-time / t.tau);
        const double left = count - i;
        if (left < fade) env *= left / fade;
        buf[at] += static_cast<float>(t.amp * env * WaveAt(t.wave, phase, dt));
        phase += dt;
        phase -= std::floor(phase);
    }
}

// Filtered noise: a one-pole low-pass at lowHz (0: none) and a one-pole
// high-pass at highHz (0: none), decaying with tau, optionally swept from
// lowHz to lowEndHz.
struct NoiseBurst {
    double start = 0.0, dur = 0.1;
    double amp = 1.0, attack = 0.001, tau = 0.05;
    double lowHz = 0.0, lowEndHz = 0.0, highHz = 0.0;
    uint32_t seed = 1;
};

inline void AddNoise(std::vector<float>& buf, int rate, const NoiseBurst& n) {
    Noise gen(n.seed);
    const int first = static_cast<int>(n.start * rate);
    const int count = static_cast<int>(n.dur * rate);
    const double fade = 0.004 * rate;
    double low = 0.0, highPrev = 0.0, highOut = 0.0;
    for (int i = 0; i < count; ++i) {
        const int at = first + i;
        if (at >= static_cast<int>(buf.size())) break;
        const double time = static_cast<double>(i) / rate;
        double x = gen.next();
        if (n.lowHz > 0.0) {
            double cut = n.lowHz;
            if (n.lowEndHz > 0.0) cut = n.lowHz * std::pow(n.lowEndHz / n.lowHz, time / n.dur);
            const double a = 1.0 - std::exp(-2.0 * PI * cut / rate);
            low += a * (x - low);
            x = low;
        }
        if (n.highHz > 0.0) {
            const double r = std::exp(-2.0 * PI * n.highHz / rate);
            highOut = r * (highOut + x - highPrev);
            highPrev = x;
            x = highOut;
        }
        double env = n.attack > 0.0 && time < n.attack ? time / n.attack : 1.0;
        if (n.tau > 0.0) env *= std::exp(-time / n.tau);
        const double left = count - i;
        if (left < fade) env *= left / fade;
        if (at >= 0) buf[at] += static_cast<float>(n.amp * env * x);
    }
}

inline float PeakOf(const std::vector<float>& buf) {
    float peak = 0.0f;
    for (float v : buf)
        peak = std::fmax(peak, std::fabs(v));
    return peak;
}

// Scales the buffer so that its peak sits at target (a linear level).
inline void NormalizeTo(std::vector<float>& buf, float target) {
    const float peak = PeakOf(buf);
    if (peak <= 0.0f) return;
    const float gain = target / peak;
    for (float& v : buf)
        v *= gain;
}

// Frequency of a note counted in semitones from C-4 (261.63 Hz).
inline double NoteHz(int semitonesFromC4) {
    return 261.6255653 * std::pow(2.0, semitonesFromC4 / 12.0);
}

} // namespace audiosynth
