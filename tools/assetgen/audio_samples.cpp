// Sample/*.ogg: the 32 sound effects, synthesised and encoded as Ogg Vorbis.
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/audio_synth.h"
#include "tools/assetgen/fs_util.h"

#include <vorbis/vorbisenc.h>

#include <cstdio>
#include <cstring>
#include <vector>

using namespace audiosynth;

namespace {

constexpr int SFX_RATE = 22050;
// -9.5 dBFS: the level the game's mix is set at. At the bank's volume the
// effects then sit about 5 dB above the music at its default setting
// (the music cannot come up further without clipping in the module player),
// and a dozen of them at once still stay clear of the limiter's threshold.
// It also leaves the lossy coder room to overshoot.
constexpr float SFX_PEAK = 0.3350f;
constexpr float SFX_QUALITY = 0.3f;

typedef void (*SynthFn)(std::vector<float>& buf, int variant);

struct EffectDef {
    const char* name;
    double seconds;
    SynthFn synth;
    int variant;
};

Tone MakeTone(double start, double dur, double f0, double f1, Wave wave, double amp, double tau) {
    Tone t;
    t.start = start;
    t.dur = dur;
    t.f0 = f0;
    t.f1 = f1;
    t.wave = wave;
    t.amp = amp;
    t.tau = tau;
    return t;
}

NoiseBurst MakeNoise(double start, double dur, double amp, double tau, double lowHz, double highHz,
                     uint32_t seed) {
    NoiseBurst n;
    n.start = start;
    n.dur = dur;
    n.amp = amp;
    n.tau = tau;
    n.lowHz = lowHz;
    n.highHz = highHz;
    n.seed = seed;
    return n;
}

void Add(std::vector<float>& b, const Tone& t) {
    AddTone(b, SFX_RATE, t);
}
void Add(std::vector<float>& b, const NoiseBurst& n) {
    AddNoise(b, SFX_RATE, n);
}

// A run of notes, each a little longer than its step so that they overlap.
void Arpeggio(std::vector<float>& b, const int* notes, int count, double step, double last,
              Wave wave, double amp) {
    for (int i = 0; i < count; ++i) {
        const bool final = i == count - 1;
        const double f = NoteHz(notes[i]);
        Tone t = MakeTone(i * step, final ? last : step * 1.6, f, f, wave, amp,
                          final ? last * 0.45 : step * 1.2);
        t.attack = 0.004;
        if (final) {
            t.vibratoHz = 6.0;
            t.vibratoDepth = 0.006;
        }
        Add(b, t);
        // A soft octave above for sparkle.
        Tone o = t;
        o.f0 = o.f1 = f * 2.0;
        o.wave = WAVE_SINE;
        o.amp = amp * 0.3;
        Add(b, o);
    }
}

// --- the ship, the walls and the bricks -----------------------------------

void Tock(std::vector<float>& b, int v) {
    static const double pitch[5] = {540.0, 580.0, 500.0, 620.0, 470.0};
    const double f = pitch[v % 5];
    Add(b, MakeTone(0.0, 0.11, f * 1.5, f, WAVE_TRIANGLE, 0.8, 0.025));
    Add(b, MakeTone(0.0, 0.08, f * 2.01, f * 1.9, WAVE_SINE, 0.25, 0.012));
    Add(b, MakeNoise(0.0, 0.012, 0.35, 0.003, 5000.0, 800.0, 11u + v));
}

void Wall(std::vector<float>& b, int v) {
    static const double pitch[3] = {300.0, 360.0, 270.0};
    const double f = pitch[v % 3];
    Add(b, MakeTone(0.0, 0.1, f * 1.3, f, WAVE_SINE, 0.9, 0.03));
    Add(b, MakeNoise(0.0, 0.02, 0.3, 0.005, 2500.0, 200.0, 21u + v));
}

void Brick(std::vector<float>& b, int v) {
    switch (v) {
    case 0: // glassy
        Add(b, MakeTone(0.0, 0.25, 1568.0, 1568.0, WAVE_SINE, 0.7, 0.06));
        Add(b, MakeTone(0.0, 0.2, 2352.0, 2352.0, WAVE_SINE, 0.35, 0.04));
        Add(b, MakeTone(0.0, 0.15, 3920.0, 3920.0, WAVE_SINE, 0.2, 0.02));
        break;
    case 1: // woody
        Add(b, MakeTone(0.0, 0.15, 900.0, 700.0, WAVE_TRIANGLE, 0.8, 0.03));
        Add(b, MakeNoise(0.0, 0.03, 0.4, 0.006, 3000.0, 400.0, 31u));
        break;
    case 2: // metallic, inharmonic partials
        Add(b, MakeTone(0.0, 0.3, 880.0, 880.0, WAVE_SINE, 0.6, 0.07));
        Add(b, MakeTone(0.0, 0.3, 1342.0, 1342.0, WAVE_SINE, 0.45, 0.05));
        Add(b, MakeTone(0.0, 0.25, 2217.0, 2217.0, WAVE_SINE, 0.3, 0.035));
        Add(b, MakeNoise(0.0, 0.01, 0.3, 0.003, 8000.0, 2000.0, 32u));
        break;
    default: // chip blip dropping in pitch
        Add(b, MakeTone(0.0, 0.12, 1200.0, 800.0, WAVE_SQUARE, 0.45, 0.04));
        break;
    }
}

// --- capsules and shots ---------------------------------------------------

void Laser(std::vector<float>& b, int) {
    Add(b, MakeTone(0.0, 0.2, 1900.0, 220.0, WAVE_SQUARE, 0.5, 0.09));
    Add(b, MakeTone(0.0, 0.2, 1930.0, 230.0, WAVE_SAW, 0.25, 0.07));
}

void Multiball(std::vector<float>& b, int) {
    for (int i = 0; i < 3; ++i) {
        const double f = 500.0 * (1.0 + 0.33 * i);
        Add(b, MakeTone(0.07 * i, 0.16, f, f * 1.6, WAVE_TRIANGLE, 0.6, 0.08));
        Add(b, MakeTone(0.07 * i, 0.12, f * 2.0, f * 3.2, WAVE_SINE, 0.2, 0.05));
    }
}

void Sweep(std::vector<float>& b, int rising) {
    const double lo = 260.0, hi = 1100.0;
    Tone t = MakeTone(0.0, 0.55, rising ? lo : hi, rising ? hi : lo, WAVE_TRIANGLE, 0.7, 0.0);
    t.attack = 0.01;
    t.vibratoHz = 14.0;
    t.vibratoDepth = 0.03;
    Add(b, t);
    t.f0 *= 2.0;
    t.f1 *= 2.0;
    t.wave = WAVE_SQUARE;
    t.amp = 0.12;
    Add(b, t);
}

void BigBall(std::vector<float>& b, int) {
    Tone t = MakeTone(0.0, 0.6, 110.0, 220.0, WAVE_SINE, 0.9, 0.25);
    t.vibratoHz = 9.0;
    t.vibratoDepth = 0.12;
    Add(b, t);
    Tone h = t;
    h.f0 *= 3.0;
    h.f1 *= 3.0;
    h.wave = WAVE_TRIANGLE;
    h.amp = 0.3;
    Add(b, h);
}

void BoostBall(std::vector<float>& b, int) {
    NoiseBurst n = MakeNoise(0.0, 0.6, 0.6, 0.0, 400.0, 100.0, 71u);
    n.lowEndHz = 5000.0;
    n.attack = 0.3;
    Add(b, n);
    Tone t = MakeTone(0.0, 0.6, 300.0, 1500.0, WAVE_SAW, 0.3, 0.5);
    t.attack = 0.1;
    Add(b, t);
}

void ScoreUp(std::vector<float>& b, int) {
    Add(b, MakeTone(0.0, 0.08, 988.0, 988.0, WAVE_SQUARE, 0.4, 0.0));
    Add(b, MakeTone(0.07, 0.35, 1319.0, 1319.0, WAVE_SQUARE, 0.4, 0.12));
}

void LifeUp(std::vector<float>& b, int) {
    static const int notes[] = {0, 4, 7, 12, 16, 19, 24}; // C major climbing two octaves
    Arpeggio(b, notes, 7, 0.065, 0.4, WAVE_SQUARE, 0.35);
}

void StageUp(std::vector<float>& b, int) {
    static const int notes[] = {-5, 0, 4, 7, 4, 7, 12};
    Arpeggio(b, notes, 7, 0.11, 0.6, WAVE_TRIANGLE, 0.6);
    Add(b, MakeTone(0.0, 1.3, NoteHz(-24), NoteHz(-24), WAVE_TRIANGLE, 0.3, 0.6));
}

void Win(std::vector<float>& b, int) {
    static const int notes[] = {7, 12, 16, 19, 24};
    Arpeggio(b, notes, 5, 0.09, 0.7, WAVE_SQUARE, 0.3);
    // The closing major chord under the last note.
    for (int n : {0, 4, 7}) {
        Tone t = MakeTone(0.36, 0.8, NoteHz(n), NoteHz(n), WAVE_TRIANGLE, 0.25, 0.35);
        t.attack = 0.01;
        Add(b, t);
    }
}

void Lost(std::vector<float>& b, int) {
    Tone t = MakeTone(0.0, 0.8, 420.0, 110.0, WAVE_SQUARE, 0.45, 0.5);
    t.vibratoHz = 7.0;
    t.vibratoDepth = 0.04;
    Add(b, t);
    Add(b, MakeTone(0.0, 0.8, 210.0, 55.0, WAVE_SINE, 0.5, 0.5));
}

void GameOver(std::vector<float>& b, int) {
    static const int notes[] = {7, 6, 5, 4};
    for (int i = 0; i < 4; ++i) {
        const bool final = i == 3;
        const double f = NoteHz(notes[i] - 12);
        Tone t = MakeTone(i * 0.3, final ? 0.95 : 0.32, f, final ? f * 0.94 : f, WAVE_SQUARE, 0.3,
                          final ? 0.5 : 0.25);
        t.attack = 0.01;
        t.vibratoHz = final ? 5.0 : 0.0;
        t.vibratoDepth = 0.01;
        Add(b, t);
        Tone low = t;
        low.f0 /= 2.0;
        low.f1 /= 2.0;
        low.wave = WAVE_TRIANGLE;
        low.amp = 0.4;
        Add(b, low);
    }
}

void Moving(std::vector<float>& b, int) {
    Tone t = MakeTone(0.0, 0.4, 440.0, 660.0, WAVE_TRIANGLE, 0.6, 0.25);
    t.vibratoHz = 18.0;
    t.vibratoDepth = 0.05;
    Add(b, t);
    Add(b, MakeTone(0.12, 0.28, 880.0, 880.0, WAVE_SINE, 0.3, 0.1));
}

void Falling(std::vector<float>& b, int) {
    Tone t = MakeTone(0.0, 0.7, 1600.0, 280.0, WAVE_SINE, 0.7, 0.0);
    t.vibratoHz = 11.0;
    t.vibratoDepth = 0.03;
    Add(b, t);
    Add(b, MakeTone(0.6, 0.1, 200.0, 120.0, WAVE_TRIANGLE, 0.6, 0.03));
}

void Flying(std::vector<float>& b, int) {
    NoiseBurst n = MakeNoise(0.0, 0.8, 0.5, 0.0, 300.0, 150.0, 141u);
    n.lowEndHz = 4000.0;
    n.attack = 0.2;
    Add(b, n);
    Tone t = MakeTone(0.0, 0.8, 300.0, 900.0, WAVE_TRIANGLE, 0.5, 0.6);
    t.attack = 0.05;
    t.vibratoHz = 6.0;
    t.vibratoDepth = 0.02;
    Add(b, t);
}

void FireBall(std::vector<float>& b, int) {
    NoiseBurst n = MakeNoise(0.0, 0.7, 0.8, 0.35, 1500.0, 60.0, 131u);
    n.lowEndHz = 300.0;
    Add(b, n);
    Add(b, MakeTone(0.0, 0.7, 90.0, 140.0, WAVE_SAW, 0.35, 0.3));
}

void Explosion(std::vector<float>& b, int) {
    NoiseBurst n = MakeNoise(0.0, 1.1, 1.0, 0.35, 3000.0, 30.0, 31u);
    n.lowEndHz = 200.0;
    Add(b, n);
    Add(b, MakeTone(0.0, 0.5, 90.0, 40.0, WAVE_SINE, 0.8, 0.15));
}

void Bonus(std::vector<float>& b, int) {
    // Bell partials: the fundamental and two inharmonic overtones.
    for (int k = 0; k < 2; ++k) {
        const double f = k == 0 ? 1047.0 : 1568.0;
        const double at = 0.1 * k;
        Add(b, MakeTone(at, 0.7, f, f, WAVE_SINE, 0.5, 0.22));
        Add(b, MakeTone(at, 0.5, f * 2.76, f * 2.76, WAVE_SINE, 0.2, 0.1));
        Add(b, MakeTone(at, 0.3, f * 5.4, f * 5.4, WAVE_SINE, 0.1, 0.05));
    }
}

// --- menus ----------------------------------------------------------------

void Rollover(std::vector<float>& b, int) {
    Tone t = MakeTone(0.0, 0.07, 1175.0, 1250.0, WAVE_SINE, 0.8, 0.025);
    t.attack = 0.008;
    Add(b, t);
}

void Click(std::vector<float>& b, int) {
    Add(b, MakeNoise(0.0, 0.006, 0.7, 0.002, 0.0, 3000.0, 301u));
    Add(b, MakeTone(0.0, 0.04, 2200.0, 1800.0, WAVE_SQUARE, 0.35, 0.01));
}

const EffectDef EFFECTS[] = {
    {"multiball", 0.35, Multiball, 0},
    {"laser", 0.2, Laser, 0},
    {"explosion", 1.1, Explosion, 0},
    {"enlarge", 0.55, Sweep, 1},
    {"reduce", 0.55, Sweep, 0},
    {"bigball", 0.6, BigBall, 0},
    {"boostball", 0.6, BoostBall, 0},
    {"scoreup", 0.42, ScoreUp, 0},
    {"lifeup", 0.8, LifeUp, 0},
    {"stageup", 1.4, StageUp, 0},
    {"moving", 0.4, Moving, 0},
    {"falling", 0.7, Falling, 0},
    {"fireball", 0.7, FireBall, 0},
    {"flying", 0.8, Flying, 0},
    {"raquette1", 0.12, Tock, 0},
    {"raquette2", 0.12, Tock, 1},
    {"raquette3", 0.12, Tock, 2},
    {"raquette4", 0.12, Tock, 3},
    {"raquette5", 0.12, Tock, 4},
    {"murdroit", 0.1, Wall, 0},
    {"murhaut", 0.1, Wall, 1},
    {"murgauche", 0.1, Wall, 2},
    {"brique1", 0.25, Brick, 0},
    {"brique2", 0.15, Brick, 1},
    {"brique3", 0.3, Brick, 2},
    {"brique4", 0.12, Brick, 3},
    {"lost", 0.8, Lost, 0},
    {"win", 1.2, Win, 0},
    {"gameover", 1.9, GameOver, 0},
    {"rollover", 0.07, Rollover, 0},
    {"click", 0.05, Click, 0},
    {"bonus", 0.8, Bonus, 0},
};
constexpr int EFFECT_COUNT = sizeof(EFFECTS) / sizeof(EFFECTS[0]);
static_assert(EFFECT_COUNT == 32, "the sound bank loads 32 effects");

void AppendPage(std::vector<unsigned char>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Mono Ogg Vorbis. A fixed stream serial keeps the bytes the same on every run.
bool EncodeVorbis(const std::vector<float>& pcm, int serial, std::vector<unsigned char>& out) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, SFX_RATE, SFX_QUALITY) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);

    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0)
        AppendPage(out, page);

    const size_t CHUNK = 1024;
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        const size_t n = pcm.size() - done < CHUNK ? pcm.size() - done : CHUNK;
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** in = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            memcpy(in[0], pcm.data() + done, n * sizeof(float));
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet) == 1) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    AppendPage(out, page);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            // Whatever the coder still holds goes out now.
            while (ogg_stream_flush(&os, &page) != 0)
                AppendPage(out, page);
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return !out.empty();
}

} // namespace

bool WriteSamples(const std::string& gameDir) {
    if (!UsableGameDir(gameDir)) return false;
    const std::string dir = gameDir + "/Sample";
    if (!MakeDirs(dir)) return false;
    bool ok = true;
    for (int i = 0; i < EFFECT_COUNT; ++i) {
        const EffectDef& e = EFFECTS[i];
        std::vector<float> pcm(static_cast<size_t>(e.seconds * SFX_RATE), 0.0f);
        e.synth(pcm, e.variant);
        NormalizeTo(pcm, SFX_PEAK);
        std::vector<unsigned char> ogg;
        const std::string path = dir + "/" + e.name + ".ogg";
        if (!EncodeVorbis(pcm, 0x4B3D0100 + i, ogg)) {
            fprintf(stderr, "k3d-assetgen: cannot encode %s\n", path.c_str());
            ok = false;
            continue;
        }
        ok = WriteFileBytes(path, ogg.data(), ogg.size()) && ok;
    }
    return ok;
}
