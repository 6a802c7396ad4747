// Music/quon.xm: the game's five tunes in one XM module.
//
// The game starts each tune at a fixed order (0 menu, 9, 36 and 57 in play,
// 72 for the end of a game), so the order list is five runs laid end to end
// and the last pattern of each run jumps back to the run's first order. No
// other pattern jumps, so a tune started at its order never wanders into the
// next one.
//
// Everything is composed here from a few rules rather than stored: a key, a
// scale, two chord progressions and a section plan per tune; melodies are
// built bar by bar from rhythm cells, with chord tones on the strong beats
// and stepwise motion between them, and the third bar repeats the first one
// moved to its chord so that phrases hang together. The instruments are
// small synthesised samples with volume envelopes.
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/audio_synth.h"
#include "tools/assetgen/fs_util.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace audiosynth;

namespace {

constexpr int ROWS = 64; // four bars of sixteen rows
constexpr int BAR = 16;
constexpr int CHANNELS = 8;
constexpr int NOTE_C4 = 49;
constexpr int NOTE_OFF = 97;

// Tonal samples hold cycles of 128 points and play C-4 with relative note
// +24 (8363 Hz × 4), so they are drawn at that rate.
constexpr int SAMPLE_RATE = 33452;
constexpr int CYCLE = 128;

enum Channel { CH_LEAD, CH_BASS, CH_ARP, CH_PAD1, CH_PAD2, CH_KICK, CH_SNARE, CH_HAT };

enum Instrument {
    INS_LEAD = 1,
    INS_BASS,
    INS_PLUCK,
    INS_PAD,
    INS_KICK,
    INS_SNARE,
    INS_HAT,
    INS_CRASH,
    INS_BELL,
    INS_COUNT = INS_BELL
};

struct Cell {
    uint8_t note = 0, ins = 0, vol = 0, fx = 0, param = 0;
};

struct Pattern {
    Cell cells[ROWS][CHANNELS];
};

// ---------------------------------------------------------------------------
// Tunes
// ---------------------------------------------------------------------------

const int MAJOR[7] = {0, 2, 4, 5, 7, 9, 11};
const int MINOR[7] = {0, 2, 3, 5, 7, 8, 10};
const int DORIAN[7] = {0, 2, 3, 5, 7, 9, 10};

enum DrumStyle { DRUMS_FOUR, DRUMS_ROCK, DRUMS_BREAK, DRUMS_GALLOP, DRUMS_SOFT };
enum BassStyle { BASS_EIGHTHS, BASS_SYNCOPATED, BASS_WALK, BASS_PULSE, BASS_SLOW };

struct TuneDef {
    const char* plan; // one letter a pattern; see SectionOf
    int speed, bpm;
    int key; // tonic in semitones from C-4
    const int* scale;
    int verse[4]; // chords as scale degrees, one a bar
    int chorus[4];
    DrumStyle drums;
    BassStyle bass;
    int arpEvery; // rows between arpeggio notes
    int leadIns;
    uint32_t seed;
};

// Letters: I intro, A/a verse and its answer, B/b chorus and its answer,
// C breakdown. The last letter's pattern is written again with the jump.
const TuneDef TUNES[] = {
    // Menu: bright and easy-going, in C major.
    {"IAaBbCABb",
     6,
     118,
     0,
     MAJOR,
     {0, 4, 5, 3},
     {3, 4, 2, 5},
     DRUMS_FOUR,
     BASS_WALK,
     2,
     INS_LEAD,
     0x51A0},
    // First stages: driving, A minor.
    {"IAaBbAaBbCCAaBbIAaBbCAaBbBb",
     6,
     138,
     -3,
     MINOR,
     {0, 5, 2, 6},
     {5, 6, 0, 0},
     DRUMS_ROCK,
     BASS_EIGHTHS,
     1,
     INS_LEAD,
     0x7E11},
    // Middle stages: funky, D dorian.
    {"IAaBbCAaBbBbAaBbCAaBb",
     6,
     124,
     2,
     DORIAN,
     {0, 3, 0, 4},
     {6, 3, 4, 0},
     DRUMS_BREAK,
     BASS_SYNCOPATED,
     2,
     INS_BELL,
     0x2D42},
    // Late stages: urgent, E minor.
    {"IAaBbCAaBbBbABb",
     6,
     152,
     4,
     MINOR,
     {0, 6, 5, 4},
     {5, 3, 6, 4},
     DRUMS_GALLOP,
     BASS_PULSE,
     1,
     INS_LEAD,
     0x93E3},
    // End of the game: slow and warm, F major.
    {"IAaCBb",
     6,
     92,
     5,
     MAJOR,
     {0, 5, 3, 4},
     {3, 0, 1, 4},
     DRUMS_SOFT,
     BASS_SLOW,
     2,
     INS_BELL,
     0x4EE4},
};
constexpr int TUNE_COUNT = sizeof(TUNES) / sizeof(TUNES[0]);
const int TUNE_STARTS[TUNE_COUNT] = {0, 9, 36, 57, 72};

// Semitones from C-4 of a scale step (0 = the tonic above key).
int StepToSemitone(const TuneDef& t, int step) {
    int octave = step >= 0 ? step / 7 : -((-step + 6) / 7);
    int index = step - octave * 7;
    return t.key + t.scale[index] + 12 * octave;
}

uint8_t XmNote(int semitoneFromC4) {
    int n = NOTE_C4 + semitoneFromC4;
    if (n < 1) n = 1;
    if (n > 96) n = 96;
    return static_cast<uint8_t>(n);
}

bool IsChordTone(int step, int degree) {
    int d = ((step - degree) % 7 + 7) % 7;
    return d == 0 || d == 2 || d == 4;
}

// The chord tone of degree nearest to step, looking up first or down first
// as the coin says.
int NearestChordTone(int step, int degree, bool upFirst) {
    for (int dist = 0; dist < 4; ++dist) {
        int a = upFirst ? step + dist : step - dist;
        int b = upFirst ? step - dist : step + dist;
        if (IsChordTone(a, degree)) return a;
        if (IsChordTone(b, degree)) return b;
    }
    return step;
}

// ---------------------------------------------------------------------------
// Melody
// ---------------------------------------------------------------------------

struct Beat {
    int row, len;
};
struct Rhythm {
    int count;
    Beat beats[8];
};

const Rhythm RHYTHMS[] = {
    {5, {{0, 4}, {4, 2}, {6, 2}, {8, 4}, {12, 4}}},
    {6, {{0, 3}, {3, 3}, {6, 2}, {8, 2}, {10, 2}, {12, 4}}},
    {4, {{0, 6}, {6, 2}, {8, 4}, {12, 4}}},
    {7, {{0, 2}, {2, 2}, {4, 2}, {6, 2}, {8, 4}, {12, 2}, {14, 2}}},
    {5, {{2, 2}, {4, 4}, {8, 2}, {10, 2}, {12, 4}}},
    {5, {{0, 2}, {2, 4}, {6, 2}, {8, 6}, {14, 2}}},
};
const Rhythm CADENCES[] = {
    {2, {{0, 4}, {4, 12}}},
    {3, {{0, 2}, {2, 2}, {4, 12}}},
    {2, {{0, 8}, {8, 8}}},
};
const Rhythm SPARSE[] = {
    {2, {{0, 8}, {8, 8}}},
    {1, {{0, 16}}},
    {3, {{0, 6}, {6, 2}, {8, 8}}},
};

struct Note {
    int row, len, step;
};

constexpr int LEAD_LOW = -3, LEAD_HIGH = 11;

int Clamp(int v, int lo, int hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

// One bar's notes in the given rhythm: chord tones on rows 0 and 8, steps
// in the bar's direction between them.
void ComposeBar(const Rhythm& r, int bar, int degree, int& pos, int dir, Noise& rng,
                std::vector<Note>& out) {
    for (int i = 0; i < r.count; ++i) {
        const Beat& b = r.beats[i];
        if (b.row == 0 || b.row == 8) {
            pos = NearestChordTone(pos + dir, degree, rng.below(2) == 0);
        } else {
            int roll = rng.below(8);
            int move = roll < 5 ? 1 : roll < 7 ? 2 : 0;
            if (rng.below(5) == 0) move = -move;
            pos += dir * move;
        }
        if (pos < LEAD_LOW || pos > LEAD_HIGH) {
            dir = -dir;
            pos = Clamp(pos, LEAD_LOW, LEAD_HIGH);
        }
        out.push_back({bar * BAR + b.row, b.len, pos});
    }
}

// A four-bar phrase over chords. rhythmSeed picks the rhythm cells, so two
// phrases from the same seed sound like question and answer; closed ends
// the phrase on the chord's root, otherwise it rests on its fifth.
std::vector<Note> ComposePhrase(const int chords[4], uint32_t rhythmSeed, uint32_t pitchSeed,
                                int lift, bool closed, bool sparse) {
    Noise pick(rhythmSeed);
    const int rhythmCount = sizeof(RHYTHMS) / sizeof(RHYTHMS[0]);
    const Rhythm& first = sparse ? SPARSE[pick.below(3)] : RHYTHMS[pick.below(rhythmCount)];
    const Rhythm& second = sparse ? SPARSE[pick.below(3)] : RHYTHMS[pick.below(rhythmCount)];
    const Rhythm& cadence = sparse ? SPARSE[1] : CADENCES[pick.below(3)];

    Noise rng(pitchSeed);
    std::vector<Note> notes;
    int pos = chords[0] + lift;
    ComposeBar(first, 0, chords[0], pos, 1, rng, notes);
    ComposeBar(second, 1, chords[1], pos, -1, rng, notes);
    // Bar three repeats bar one moved to its chord.
    const size_t barOne = static_cast<size_t>(first.count);
    int shift = chords[2] - chords[0];
    if (shift > 3) shift -= 7;
    if (shift < -3) shift += 7;
    for (size_t i = 0; i < barOne; ++i) {
        Note n = notes[i];
        n.row += 2 * BAR;
        n.step = Clamp(n.step + shift, LEAD_LOW, LEAD_HIGH);
        notes.push_back(n);
    }
    pos = notes.back().step;
    // Bar four lands on the root (closed) or the fifth, stepping into it.
    int target = closed ? chords[3] : chords[3] + 4;
    while (target - pos > 3)
        target -= 7;
    while (pos - target > 3)
        target += 7;
    target = Clamp(target, LEAD_LOW, LEAD_HIGH);
    const int from = rng.below(2) ? 1 : -1;
    for (int i = 0; i < cadence.count; ++i) {
        const Beat& b = cadence.beats[i];
        const int step = Clamp(target + from * (cadence.count - 1 - i), LEAD_LOW, LEAD_HIGH);
        notes.push_back({3 * BAR + b.row, b.len, step});
    }
    return notes;
}

// ---------------------------------------------------------------------------
// Parts
// ---------------------------------------------------------------------------

// The mastering. How loud each instrument sits in the mix: every note's
// volume is scaled by GAIN[ins] × MASTER / 512, so the parts below can
// speak in plain accents. The sustained parts (pad, lead, bass) carry the
// level and the drums sit back, which keeps the peaks close to the body of
// the sound: at MASTER 9 the tunes render about -14.5 dBFS RMS with peaks
// under -1 dBFS, as loud as a module can be without the player clipping.
// At the setup's default the game plays them 14.4 dB down, near the
// effects.
const int GAIN[INS_COUNT + 1] = {0, 60, 48, 48, 64, 36, 34, 24, 30, 60};
const int MASTER = 9;

void Put(Pattern& p, int row, int ch, int note, int ins, int vol) {
    if (row < 0 || row >= ROWS) return;
    Cell& c = p.cells[row][ch];
    c.note = static_cast<uint8_t>(note);
    c.ins = static_cast<uint8_t>(ins);
    c.vol = vol > 0 ? static_cast<uint8_t>(0x10 + Clamp(vol * GAIN[ins] * MASTER / 512, 1, 64)) : 0;
}

void PutEffect(Pattern& p, int row, int ch, int fx, int param) {
    p.cells[row][ch].fx = static_cast<uint8_t>(fx);
    p.cells[row][ch].param = static_cast<uint8_t>(param);
}

void WriteLead(Pattern& p, const TuneDef& t, const std::vector<Note>& notes, int vol) {
    for (size_t i = 0; i < notes.size(); ++i) {
        const Note& n = notes[i];
        Put(p, n.row, CH_LEAD, XmNote(StepToSemitone(t, n.step)), t.leadIns, vol);
        int end = n.row + n.len;
        int next = i + 1 < notes.size() ? notes[i + 1].row : ROWS;
        // A short breath before the next note keeps the line articulate.
        if (n.len >= 3 && end - 1 < next && end - 1 < ROWS)
            Put(p, end - 1, CH_LEAD, NOTE_OFF, 0, 0);
    }
}

// The bass an octave or two under the chord roots.
void WriteBass(Pattern& p, const TuneDef& t, const int chords[4], bool light) {
    for (int bar = 0; bar < 4; ++bar) {
        const int root = StepToSemitone(t, chords[bar]) - 24;
        const int fifth = StepToSemitone(t, chords[bar] + 4) - 24;
        const int third = StepToSemitone(t, chords[bar] + 2) - 24;
        const int nextRoot = StepToSemitone(t, chords[(bar + 1) % 4]) - 24;
        const int at = bar * BAR;
        BassStyle style = light ? BASS_SLOW : t.bass;
        switch (style) {
        case BASS_EIGHTHS:
            for (int r = 0; r < BAR; r += 2)
                Put(p, at + r, CH_BASS, XmNote(r == 6 || r == 14 ? root + 12 : root), INS_BASS,
                    r % 4 == 0 ? 60 : 48);
            break;
        case BASS_SYNCOPATED: {
            const int rows[] = {0, 3, 6, 8, 11, 14};
            const int notes[] = {root, root, fifth, root + 12, root, fifth};
            for (int i = 0; i < 6; ++i)
                Put(p, at + rows[i], CH_BASS, XmNote(notes[i]), INS_BASS, i == 0 ? 62 : 50);
            Put(p, at + 2, CH_BASS, NOTE_OFF, 0, 0);
            break;
        }
        case BASS_WALK: {
            // A step into the next root on the last beat.
            const int approach = nextRoot + (nextRoot > fifth ? -1 : 2);
            const int notes[] = {root, third, fifth, approach};
            for (int i = 0; i < 4; ++i)
                Put(p, at + i * 4, CH_BASS, XmNote(notes[i]), INS_BASS, i == 0 ? 60 : 50);
            break;
        }
        case BASS_PULSE:
            for (int r = 0; r < BAR; ++r)
                if (r % 4 != 3)
                    Put(p, at + r, CH_BASS, XmNote(r == 8 ? fifth : root), INS_BASS,
                        r % 4 == 0 ? 60 : 40);
            break;
        case BASS_SLOW:
            Put(p, at, CH_BASS, XmNote(root), INS_BASS, 60);
            Put(p, at + 10, CH_BASS, XmNote(fifth), INS_BASS, 44);
            Put(p, at + 12, CH_BASS, XmNote(root), INS_BASS, 50);
            break;
        }
    }
}

// Two held chord tones a bar, on the soft pad.
void WritePad(Pattern& p, const TuneDef& t, const int chords[4], int vol) {
    for (int bar = 0; bar < 4; ++bar) {
        Put(p, bar * BAR, CH_PAD1, XmNote(StepToSemitone(t, chords[bar] + 2) - 12), INS_PAD, vol);
        Put(p, bar * BAR, CH_PAD2, XmNote(StepToSemitone(t, chords[bar] + 4) - 12), INS_PAD, vol);
    }
}

// The chord broken up and down on the pluck.
void WriteArpeggio(Pattern& p, const TuneDef& t, const int chords[4], int every, int fromBar,
                   int vol) {
    const int shape[8] = {0, 2, 4, 7, 9, 7, 4, 2};
    for (int bar = fromBar; bar < 4; ++bar)
        for (int r = 0, i = 0; r < BAR; r += every, ++i)
            Put(p, bar * BAR + r, CH_ARP, XmNote(StepToSemitone(t, chords[bar] + shape[i % 8])),
                INS_PLUCK, r % 4 == 0 ? vol : vol * 3 / 4);
}

void WriteDrums(Pattern& p, DrumStyle style, bool full, bool fill, bool crash) {
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * BAR;
        const bool lastBar = bar == 3;
        switch (style) {
        case DRUMS_FOUR:
            for (int r = 0; r < BAR; r += 4)
                Put(p, at + r, CH_KICK, NOTE_C4, INS_KICK, 60);
            if (full) {
                Put(p, at + 4, CH_SNARE, NOTE_C4, INS_SNARE, 50);
                Put(p, at + 12, CH_SNARE, NOTE_C4, INS_SNARE, 50);
            }
            for (int r = 2; r < BAR; r += 4)
                Put(p, at + r, CH_HAT, NOTE_C4, INS_HAT, full ? 40 : 28);
            break;
        case DRUMS_ROCK:
            Put(p, at, CH_KICK, NOTE_C4, INS_KICK, 64);
            Put(p, at + 8, CH_KICK, NOTE_C4, INS_KICK, 64);
            if (full) Put(p, at + 10, CH_KICK, NOTE_C4, INS_KICK, 52);
            Put(p, at + 4, CH_SNARE, NOTE_C4, INS_SNARE, full ? 56 : 40);
            Put(p, at + 12, CH_SNARE, NOTE_C4, INS_SNARE, full ? 56 : 40);
            for (int r = 0; r < BAR; r += 2)
                Put(p, at + r, CH_HAT, NOTE_C4, INS_HAT, r % 4 == 2 ? 40 : 26);
            break;
        case DRUMS_BREAK:
            Put(p, at, CH_KICK, NOTE_C4, INS_KICK, 64);
            Put(p, at + 10, CH_KICK, NOTE_C4, INS_KICK, 56);
            if (full) Put(p, at + 7, CH_KICK, NOTE_C4, INS_KICK, 40);
            Put(p, at + 4, CH_SNARE, NOTE_C4, INS_SNARE, 54);
            Put(p, at + 12, CH_SNARE, NOTE_C4, INS_SNARE, 54);
            if (full) Put(p, at + 15, CH_SNARE, NOTE_C4, INS_SNARE, 18); // ghost
            for (int r = 0; r < BAR; ++r)
                Put(p, at + r, CH_HAT, NOTE_C4, INS_HAT, r % 2 ? 18 : r % 4 == 2 ? 38 : 28);
            break;
        case DRUMS_GALLOP:
            for (int r = 0; r < BAR; r += 4)
                Put(p, at + r, CH_KICK, NOTE_C4, INS_KICK, 62);
            if (full)
                for (int r = 3; r < BAR; r += 8)
                    Put(p, at + r, CH_KICK, NOTE_C4, INS_KICK, 44);
            Put(p, at + 4, CH_SNARE, NOTE_C4, INS_SNARE, 56);
            Put(p, at + 12, CH_SNARE, NOTE_C4, INS_SNARE, 56);
            for (int r = 0; r < BAR; ++r)
                if (r % 4 != 1) Put(p, at + r, CH_HAT, NOTE_C4, INS_HAT, r % 2 ? 20 : 34);
            break;
        case DRUMS_SOFT:
            Put(p, at, CH_KICK, NOTE_C4, INS_KICK, 50);
            if (full) Put(p, at + 8, CH_KICK, NOTE_C4, INS_KICK, 40);
            Put(p, at + 12, CH_SNARE, NOTE_C4, INS_SNARE, full ? 34 : 24);
            for (int r = 4; r < BAR; r += 8)
                Put(p, at + r, CH_HAT, NOTE_C4, INS_HAT, 22);
            break;
        }
        if (fill && lastBar) {
            // A rising snare run into the next section.
            for (int r = 8; r < BAR; ++r)
                Put(p, at + r, CH_SNARE, NOTE_C4, INS_SNARE, 22 + (r - 8) * 5);
        }
    }
    if (crash) Put(p, 0, CH_HAT, NOTE_C4, INS_CRASH, 44);
}

Pattern ComposeSection(const TuneDef& t, char letter, int tuneIndex) {
    Pattern p;
    const bool chorus = letter == 'B' || letter == 'b';
    const int* chords = chorus ? t.chorus : t.verse;
    const bool answer = letter == 'a' || letter == 'b';
    const uint32_t seed = t.seed + static_cast<uint32_t>(tuneIndex) * 977u;
    switch (letter) {
    case 'I':
        WriteBass(p, t, chords, false);
        WritePad(p, t, chords, 34);
        WriteArpeggio(p, t, chords, t.arpEvery, 2, 26);
        WriteDrums(p, t.drums, false, true, false);
        break;
    case 'A':
    case 'a':
    case 'B':
    case 'b': {
        // Verse and its answer share their rhythm; so do chorus and answer.
        const uint32_t rhythmSeed = seed + (chorus ? 31u : 7u);
        const uint32_t pitchSeed = seed + (chorus ? 131u : 17u) + (answer ? 1000u : 0u);
        std::vector<Note> melody =
            ComposePhrase(chords, rhythmSeed, pitchSeed, chorus ? 4 : 0, answer, false);
        WriteLead(p, t, melody, chorus ? 52 : 46);
        WriteBass(p, t, chords, false);
        WritePad(p, t, chords, chorus ? 26 : 30);
        if (chorus) WriteArpeggio(p, t, chords, t.arpEvery, 0, 22);
        WriteDrums(p, t.drums, true, answer, chorus && !answer);
        break;
    }
    case 'C': {
        // The breakdown: pad and arpeggio, a slow line, hardly any drums.
        std::vector<Note> melody = ComposePhrase(t.chorus, seed + 55u, seed + 555u, 2, true, true);
        WriteLead(p, t, melody, 40);
        WriteBass(p, t, t.chorus, true);
        WritePad(p, t, t.chorus, 38);
        WriteArpeggio(p, t, t.chorus, t.arpEvery, 0, 30);
        WriteDrums(p, DRUMS_SOFT, false, true, false);
        break;
    }
    }
    // Every pattern sets its tune's pace, so a tune started anywhere has it.
    PutEffect(p, 0, CH_KICK, 0x0F, t.speed);
    PutEffect(p, 0, CH_SNARE, 0x0F, t.bpm);
    return p;
}

// ---------------------------------------------------------------------------
// Instruments
// ---------------------------------------------------------------------------

struct Envelope {
    int count = 0;
    int x[12] = {}, y[12] = {};
    int sustain = -1;
};

struct InstrumentDef {
    const char* name;
    std::vector<float> samples;
    bool loop = false;
    int loopStart = 0;
    int pan = 128;
    Envelope env;
    int fadeout = 0;
    int vibratoDepth = 0, vibratoRate = 0, vibratoSweep = 0;
};

Envelope MakeEnvelope(std::initializer_list<int> points, int sustain) {
    Envelope e;
    const int* v = points.begin();
    e.count = static_cast<int>(points.size() / 2);
    for (int i = 0; i < e.count && i < 12; ++i) {
        e.x[i] = v[2 * i];
        e.y[i] = v[2 * i + 1];
    }
    e.sustain = sustain;
    return e;
}

// One cycle of CYCLE points built from harmonics: amp(n) for n = 1, 2, ...
template <typename Amp> std::vector<float> Additive(int cycles, int harmonics, Amp amp) {
    std::vector<float> out(static_cast<size_t>(CYCLE * cycles), 0.0f);
    for (int n = 1; n <= harmonics; ++n) {
        const double a = amp(n);
        if (a == 0.0) continue;
        for (size_t i = 0; i < out.size(); ++i)
            out[i] += static_cast<float>(a * std::sin(2.0 * PI * n * double(i) / CYCLE));
    }
    NormalizeTo(out, 0.8f);
    return out;
}

std::vector<InstrumentDef> MakeInstruments() {
    std::vector<InstrumentDef> list(INS_COUNT);

    InstrumentDef& lead = list[INS_LEAD - 1];
    lead.name = "lead pulse";
    // A quarter-duty pulse, its top softened.
    lead.samples =
        Additive(1, 24, [](int n) { return std::sin(PI * n * 0.25) / n * std::exp(-n / 18.0); });
    lead.loop = true;
    lead.env = MakeEnvelope({0, 64, 6, 58, 30, 54}, 2);
    lead.fadeout = 0x0A00;
    lead.vibratoDepth = 3;
    lead.vibratoRate = 10;
    lead.vibratoSweep = 40;

    InstrumentDef& bass = list[INS_BASS - 1];
    bass.name = "bass";
    // A rounded saw with a sine beneath.
    bass.samples =
        Additive(1, 14, [](int n) { return (n == 1 ? 1.6 : 1.0) / n * std::exp(-n / 7.0); });
    bass.loop = true;
    bass.env = MakeEnvelope({0, 64, 10, 56, 40, 50}, 2);
    bass.fadeout = 0x1800;

    InstrumentDef& pluck = list[INS_PLUCK - 1];
    pluck.name = "pluck";
    pluck.samples =
        Additive(1, 10, [](int n) { return n % 2 ? 1.0 / (n * n) + 0.15 / n : 0.08 / n; });
    pluck.loop = true;
    pluck.pan = 168;
    pluck.env = MakeEnvelope({0, 64, 4, 30, 14, 10, 30, 0}, -1);

    InstrumentDef& pad = list[INS_PAD - 1];
    pad.name = "pad";
    {
        // Two soft saws 64 and 65 cycles long in one loop: a slow chorus.
        const int points = CYCLE * 64;
        pad.samples.assign(points, 0.0f);
        for (int n = 1; n <= 8; ++n)
            for (int i = 0; i < points; ++i) {
                const double a = std::pow(double(n), -1.4);
                pad.samples[i] +=
                    static_cast<float>(a * (std::sin(2.0 * PI * n * 64 * i / points) +
                                            std::sin(2.0 * PI * n * 65 * i / points)));
            }
        NormalizeTo(pad.samples, 0.8f);
    }
    pad.loop = true;
    pad.pan = 96;
    pad.env = MakeEnvelope({0, 0, 14, 50, 40, 44}, 2);
    pad.fadeout = 0x0500;

    InstrumentDef& bell = list[INS_BELL - 1];
    bell.name = "bell lead";
    bell.samples = Additive(1, 12, [](int n) {
        return n == 1 ? 1.0 : n == 2 ? 0.45 : n == 3 ? 0.25 : n == 4 ? 0.3 : n == 6 ? 0.12 : 0.0;
    });
    bell.loop = true;
    bell.env = MakeEnvelope({0, 64, 4, 48, 24, 30, 64, 20}, 3);
    bell.fadeout = 0x0800;
    bell.vibratoDepth = 2;
    bell.vibratoRate = 8;
    bell.vibratoSweep = 60;

    // Drums are one-shots drawn at the rate they play at on C-4.
    InstrumentDef& kick = list[INS_KICK - 1];
    kick.name = "kick";
    kick.samples.assign(static_cast<size_t>(0.30 * SAMPLE_RATE), 0.0f);
    {
        Tone body;
        body.dur = 0.30;
        body.f0 = 150.0;
        body.f1 = 42.0;
        body.tau = 0.11;
        body.attack = 0.001;
        AddTone(kick.samples, SAMPLE_RATE, body);
        NoiseBurst click;
        click.dur = 0.012;
        click.amp = 0.35;
        click.tau = 0.003;
        click.lowHz = 3000.0;
        click.seed = 0xB00;
        AddNoise(kick.samples, SAMPLE_RATE, click);
        NormalizeTo(kick.samples, 0.9f);
    }

    InstrumentDef& snare = list[INS_SNARE - 1];
    snare.name = "snare";
    snare.samples.assign(static_cast<size_t>(0.24 * SAMPLE_RATE), 0.0f);
    {
        Tone body;
        body.dur = 0.12;
        body.f0 = 210.0;
        body.f1 = 160.0;
        body.tau = 0.04;
        body.amp = 0.6;
        AddTone(snare.samples, SAMPLE_RATE, body);
        NoiseBurst rattle;
        rattle.dur = 0.24;
        rattle.tau = 0.07;
        rattle.lowHz = 7000.0;
        rattle.highHz = 900.0;
        rattle.seed = 0x5AE;
        AddNoise(snare.samples, SAMPLE_RATE, rattle);
        NormalizeTo(snare.samples, 0.85f);
    }
    snare.pan = 120;

    InstrumentDef& hat = list[INS_HAT - 1];
    hat.name = "hat";
    hat.samples.assign(static_cast<size_t>(0.07 * SAMPLE_RATE), 0.0f);
    {
        NoiseBurst n;
        n.dur = 0.07;
        n.tau = 0.018;
        n.highHz = 6500.0;
        n.seed = 0x4A7;
        AddNoise(hat.samples, SAMPLE_RATE, n);
        NormalizeTo(hat.samples, 0.7f);
    }
    hat.pan = 150;

    InstrumentDef& crash = list[INS_CRASH - 1];
    crash.name = "crash";
    crash.samples.assign(static_cast<size_t>(1.3 * SAMPLE_RATE), 0.0f);
    {
        NoiseBurst n;
        n.dur = 1.3;
        n.tau = 0.42;
        n.attack = 0.002;
        n.highHz = 3500.0;
        n.lowHz = 12000.0;
        n.seed = 0xC4A;
        AddNoise(crash.samples, SAMPLE_RATE, n);
        NormalizeTo(crash.samples, 0.6f);
    }
    crash.pan = 104;
    return list;
}

// ---------------------------------------------------------------------------
// The file
// ---------------------------------------------------------------------------

void Put8(std::string& s, int v) {
    s.push_back(static_cast<char>(v & 0xFF));
}
void Put16(std::string& s, int v) {
    Put8(s, v);
    Put8(s, v >> 8);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, static_cast<int>(v & 0xFFFF));
    Put16(s, static_cast<int>(v >> 16));
}
void PutText(std::string& s, const char* text, size_t width) {
    size_t n = std::strlen(text);
    for (size_t i = 0; i < width; ++i)
        s.push_back(i < n ? text[i] : '\0');
}

void PutPattern(std::string& s, const Pattern& p) {
    std::string packed;
    for (int row = 0; row < ROWS; ++row)
        for (int ch = 0; ch < CHANNELS; ++ch) {
            const Cell& c = p.cells[row][ch];
            int flags = 0x80;
            if (c.note) flags |= 0x01;
            if (c.ins) flags |= 0x02;
            if (c.vol) flags |= 0x04;
            if (c.fx) flags |= 0x08;
            if (c.param) flags |= 0x10;
            Put8(packed, flags);
            if (c.note) Put8(packed, c.note);
            if (c.ins) Put8(packed, c.ins);
            if (c.vol) Put8(packed, c.vol);
            if (c.fx) Put8(packed, c.fx);
            if (c.param) Put8(packed, c.param);
        }
    Put32(s, 9);
    Put8(s, 0);
    Put16(s, ROWS);
    Put16(s, static_cast<int>(packed.size()));
    s += packed;
}

void PutEnvelope(std::string& s, const Envelope& e) {
    for (int i = 0; i < 12; ++i) {
        Put16(s, e.x[i]);
        Put16(s, e.y[i]);
    }
}

void PutInstrument(std::string& s, const InstrumentDef& ins) {
    Put32(s, 263);
    PutText(s, ins.name, 22);
    Put8(s, 0);
    Put16(s, 1);
    Put32(s, 40);
    s.append(96, '\0'); // every key plays sample 0
    PutEnvelope(s, ins.env);
    PutEnvelope(s, Envelope());
    Put8(s, ins.env.count);
    Put8(s, 0);
    Put8(s, ins.env.sustain >= 0 ? ins.env.sustain : 0);
    Put8(s, 0); // volume loop start
    Put8(s, 0); // volume loop end
    Put8(s, 0);
    Put8(s, 0);
    Put8(s, 0);
    Put8(s, ins.env.count ? 1 | (ins.env.sustain >= 0 ? 2 : 0) : 0);
    Put8(s, 0);
    Put8(s, 0); // sine vibrato
    Put8(s, ins.vibratoSweep);
    Put8(s, ins.vibratoDepth);
    Put8(s, ins.vibratoRate);
    Put16(s, ins.fadeout);
    s.append(22, '\0');

    // One 16-bit sample; lengths and loop points count bytes.
    const uint32_t bytes = static_cast<uint32_t>(ins.samples.size() * 2);
    Put32(s, bytes);
    Put32(s, ins.loop ? static_cast<uint32_t>(ins.loopStart * 2) : 0);
    Put32(s, ins.loop ? bytes - static_cast<uint32_t>(ins.loopStart * 2) : 0);
    Put8(s, 64);
    Put8(s, 2); // finetune: 128 points at 33452 Hz sit a hair under C-4
    Put8(s, (ins.loop ? 1 : 0) | 0x10);
    Put8(s, ins.pan);
    Put8(s, 24); // relative note: C-4 plays at four times 8363 Hz
    Put8(s, 0);
    PutText(s, ins.name, 22);
    int16_t previous = 0;
    for (float v : ins.samples) {
        const int16_t value =
            static_cast<int16_t>(Clamp(static_cast<int>(std::lround(v * 32767.0f)), -32767, 32767));
        const uint16_t delta =
            static_cast<uint16_t>(static_cast<uint16_t>(value) - static_cast<uint16_t>(previous));
        Put16(s, delta);
        previous = value;
    }
}

// The whole module as bytes, or empty when the plan does not fit the
// game's start orders.
std::string ComposeMusicModule() {
    std::vector<Pattern> patterns;
    std::vector<int> orders;
    for (int t = 0; t < TUNE_COUNT; ++t) {
        const TuneDef& tune = TUNES[t];
        const int first = static_cast<int>(orders.size());
        const std::string plan = tune.plan;
        // One pattern per distinct letter, plus the closing one with the jump.
        std::string letters;
        int base = static_cast<int>(patterns.size());
        for (char c : plan)
            if (letters.find(c) == std::string::npos) {
                letters.push_back(c);
                patterns.push_back(ComposeSection(tune, c, t));
            }
        for (size_t i = 0; i + 1 < plan.size(); ++i)
            orders.push_back(base + static_cast<int>(letters.find(plan[i])));
        Pattern closing = ComposeSection(tune, plan.back(), t);
        PutEffect(closing, ROWS - 1, CH_PAD2, 0x0B, first);
        orders.push_back(static_cast<int>(patterns.size()));
        patterns.push_back(closing);
        if (t + 1 < TUNE_COUNT && static_cast<int>(orders.size()) != TUNE_STARTS[t + 1]) {
            fprintf(stderr, "k3d-assetgen: tune %d has %d orders, the game expects %d\n", t,
                    static_cast<int>(orders.size()) - first, TUNE_STARTS[t + 1] - first);
            return std::string();
        }
    }

    const std::vector<InstrumentDef> instruments = MakeInstruments();
    std::string s = "Extended Module: ";
    PutText(s, "quon", 20);
    Put8(s, 0x1A);
    PutText(s, "k3d-assetgen", 20);
    Put16(s, 0x0104);
    Put32(s, 276);
    Put16(s, static_cast<int>(orders.size()));
    Put16(s, 0); // restart position
    Put16(s, CHANNELS);
    Put16(s, static_cast<int>(patterns.size()));
    Put16(s, static_cast<int>(instruments.size()));
    Put16(s, 1); // linear frequencies
    Put16(s, TUNES[0].speed);
    Put16(s, TUNES[0].bpm);
    for (int i = 0; i < 256; ++i)
        Put8(s, i < static_cast<int>(orders.size()) ? orders[i] : 0);
    for (const Pattern& p : patterns)
        PutPattern(s, p);
    for (const InstrumentDef& ins : instruments)
        PutInstrument(s, ins);
    return s;
}

} // namespace

bool WriteMusic(const std::string& gameDir) {
    if (!UsableGameDir(gameDir)) return false;
    const std::string dir = gameDir + "/Music";
    if (!MakeDirs(dir)) return false;
    const std::string module = ComposeMusicModule();
    if (module.empty()) return false;
    return WriteFileBytes(dir + "/quon.xm", module.data(), module.size());
}
