// The generated sounds: the same bytes every run, and a music module whose
// five tunes stay inside their own orders. The module is read here with a
// reader of our own, independent of the player the game uses (the sound
// tests play it through the game's loader).
#include "tests/assetgen/asset_checks.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

using namespace assetcheck;
using k3dtest::ReadWholeFile;
using k3dtest::TempDir;

namespace {

const int TUNE_STARTS[] = {0, 9, 36, 57, 72};
const int TUNES = 5;

struct XmCell {
    int note = 0, ins = 0, vol = 0, fx = 0, param = 0;
};
struct XmPattern {
    int rows = 0;
    std::vector<XmCell> cells; // rows × channels
};
struct XmSample {
    uint32_t length = 0, loopStart = 0, loopLength = 0;
    int type = 0;
    int peak = 0; // of the decoded 16-bit data
};
struct XmModule {
    int songLength = 0, restart = 0, channels = 0, speed = 0, bpm = 0;
    std::vector<int> orders;
    std::vector<XmPattern> patterns;
    std::vector<XmSample> samples; // one per instrument, or length 0
    std::string problem;
};

struct Reader {
    const std::string& b;
    size_t at = 0;
    bool bad = false;
    int u8() {
        if (at + 1 > b.size()) {
            bad = true;
            return 0;
        }
        return static_cast<uint8_t>(b[at++]);
    }
    int u16() {
        int lo = u8();
        return lo | u8() << 8;
    }
    uint32_t u32() {
        uint32_t lo = static_cast<uint32_t>(u16());
        return lo | static_cast<uint32_t>(u16()) << 16;
    }
};

XmModule ReadXm(const std::string& bytes) {
    XmModule m;
    if (bytes.size() < 336 || bytes.compare(0, 17, "Extended Module: ") != 0) {
        m.problem = "no XM preamble";
        return m;
    }
    Reader r{bytes};
    r.at = 58;
    if (r.u16() != 0x0104) m.problem = "version";
    const uint32_t headerSize = r.u32();
    m.songLength = r.u16();
    m.restart = r.u16();
    m.channels = r.u16();
    const int patterns = r.u16();
    const int instruments = r.u16();
    r.u16(); // flags
    m.speed = r.u16();
    m.bpm = r.u16();
    for (int i = 0; i < 256; ++i) {
        const int o = r.u8();
        if (i < m.songLength) m.orders.push_back(o);
    }
    r.at = 60 + headerSize;
    for (int p = 0; p < patterns && !r.bad; ++p) {
        const size_t start = r.at;
        const uint32_t length = r.u32();
        r.u8();
        XmPattern pat;
        pat.rows = r.u16();
        const int packed = r.u16();
        r.at = start + length;
        const size_t end = r.at + static_cast<size_t>(packed);
        for (int i = 0; i < pat.rows * m.channels && !r.bad; ++i) {
            XmCell c;
            const int flags = r.u8();
            if (flags & 0x80) {
                if (flags & 0x01) c.note = r.u8();
                if (flags & 0x02) c.ins = r.u8();
                if (flags & 0x04) c.vol = r.u8();
                if (flags & 0x08) c.fx = r.u8();
                if (flags & 0x10) c.param = r.u8();
            } else {
                c.note = flags;
                c.ins = r.u8();
                c.vol = r.u8();
                c.fx = r.u8();
                c.param = r.u8();
            }
            pat.cells.push_back(c);
        }
        if (r.at != end) m.problem = "pattern " + std::to_string(p) + " packs the wrong size";
        r.at = end;
        m.patterns.push_back(pat);
    }
    for (int i = 0; i < instruments && !r.bad; ++i) {
        const size_t start = r.at;
        const uint32_t size = r.u32();
        r.at = start + 27;
        const int count = r.u16();
        const uint32_t sampleHeader = count ? r.u32() : 0;
        r.at = start + size;
        std::vector<XmSample> own;
        for (int s = 0; s < count; ++s) {
            const size_t h = r.at;
            XmSample x;
            x.length = r.u32();
            x.loopStart = r.u32();
            x.loopLength = r.u32();
            r.u8();
            r.u8();
            x.type = r.u8();
            r.at = h + sampleHeader;
            own.push_back(x);
        }
        for (XmSample& x : own) {
            int16_t value = 0;
            for (uint32_t k = 0; k < x.length; k += 2) {
                value = static_cast<int16_t>(value + static_cast<int16_t>(r.u16()));
                x.peak = std::max(x.peak, std::abs(static_cast<int>(value)));
            }
        }
        m.samples.push_back(own.empty() ? XmSample() : own[0]);
    }
    if (r.bad)
        m.problem = "the file ends inside its own tables";
    else if (r.at != bytes.size())
        m.problem = "bytes left over after the last sample";
    return m;
}

const XmCell& CellAt(const XmModule& m, const XmPattern& p, int row, int channel) {
    return p.cells[static_cast<size_t>(row * m.channels + channel)];
}

class MusicModule : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(std::string(k3dtest::GameDir()) + "/Music/quon.xm", &bytes))
            << "the build writes Music/quon.xm";
        module = ReadXm(bytes);
        ASSERT_EQ("", module.problem);
        ASSERT_EQ(78, module.songLength);
        ASSERT_EQ(module.songLength, static_cast<int>(module.orders.size()));
        for (int o : module.orders)
            ASSERT_LT(o, static_cast<int>(module.patterns.size()));
    }
    int TuneOf(int order) const {
        int t = 0;
        while (t + 1 < TUNES && order >= TUNE_STARTS[t + 1])
            ++t;
        return t;
    }
    int LastOrderOf(int tune) const {
        return tune + 1 < TUNES ? TUNE_STARTS[tune + 1] - 1 : module.songLength - 1;
    }
    XmModule module;
};

TEST(AudioData, TwoRunsWriteTheSameSoundsAndNoTwoEffectsAlike) {
    TempDir a, b;
    ASSERT_EQ(RunGenerator(a.path()), 0);
    ASSERT_EQ(RunGenerator(b.path()), 0);
    std::set<std::string> effects;
    int sounds = 0;
    for (const std::string& rel : ListFiles(a.path())) {
        const bool effect = rel.rfind("Sample/", 0) == 0;
        if (!effect && rel.rfind("Music/", 0) != 0) continue;
        std::string x, y;
        ASSERT_TRUE(ReadWholeFile(a.file(rel), &x)) << rel;
        ASSERT_TRUE(ReadWholeFile(b.file(rel), &y)) << rel;
        EXPECT_TRUE(x == y) << rel << " differs between two runs";
        if (effect) {
            EXPECT_TRUE(effects.insert(x).second) << rel << " repeats another effect";
        }
        ++sounds;
    }
    EXPECT_EQ(32u, effects.size());
    EXPECT_EQ(33, sounds);
}

TEST_F(MusicModule, EachTuneJumpsBackToItsOwnStartAndNowhereElse) {
    EXPECT_EQ(0, module.restart);
    for (int order = 0; order < module.songLength; ++order) {
        const XmPattern& p = module.patterns[static_cast<size_t>(module.orders[order])];
        const int tune = TuneOf(order);
        int jumps = 0;
        for (int row = 0; row < p.rows; ++row)
            for (int ch = 0; ch < module.channels; ++ch) {
                const XmCell& c = CellAt(module, p, row, ch);
                EXPECT_NE(0x0D, c.fx) << "a pattern break at order " << order;
                if (c.fx != 0x0B) continue;
                ++jumps;
                EXPECT_EQ(TUNE_STARTS[tune], c.param) << "order " << order;
                EXPECT_EQ(p.rows - 1, row) << "order " << order << " jumps before its end";
            }
        EXPECT_EQ(order == LastOrderOf(tune) ? 1 : 0, jumps) << "order " << order;
    }
}

TEST_F(MusicModule, EveryTuneSetsItsPaceAndHasMelodyBassAndDrums) {
    std::set<int> tempos;
    for (int tune = 0; tune < TUNES; ++tune) {
        int speed = 0, bpm = 0;
        bool bass = false, melody = false, drums = false;
        for (int order = TUNE_STARTS[tune]; order <= LastOrderOf(tune); ++order) {
            const XmPattern& p = module.patterns[static_cast<size_t>(module.orders[order])];
            for (int row = 0; row < p.rows; ++row)
                for (int ch = 0; ch < module.channels; ++ch) {
                    const XmCell& c = CellAt(module, p, row, ch);
                    if (c.fx == 0x0F && row == 0 && order == TUNE_STARTS[tune])
                        (c.param < 32 ? speed : bpm) = c.param;
                    if (c.ins == 0 || c.note == 0 || c.note == 97) continue;
                    ASSERT_LE(c.ins, static_cast<int>(module.samples.size()));
                    const XmSample& s = module.samples[static_cast<size_t>(c.ins - 1)];
                    const bool looped = (s.type & 3) != 0;
                    drums = drums || !looped;
                    bass = bass || (looped && c.note < 37);      // under C-3
                    melody = melody || (looped && c.note >= 49); // C-4 and up
                }
        }
        EXPECT_GT(speed, 0) << "tune " << tune << " sets no speed on its first row";
        EXPECT_GE(bpm, 60) << "tune " << tune;
        EXPECT_TRUE(bass && melody && drums) << "tune " << tune;
        tempos.insert(bpm);
    }
    EXPECT_GE(tempos.size(), 4u) << "the tunes should not all share one pace";
}

TEST_F(MusicModule, InstrumentsHoldWellFormedAudibleSamples) {
    ASSERT_GE(module.samples.size(), 6u);
    for (size_t i = 0; i < module.samples.size(); ++i) {
        const XmSample& s = module.samples[i];
        EXPECT_GT(s.length, 0u) << "instrument " << i + 1;
        EXPECT_EQ(0x10, s.type & 0x10) << "instrument " << i + 1 << " is 16-bit";
        EXPECT_EQ(0u, s.length % 2) << "16-bit lengths count bytes";
        if (s.type & 3) {
            EXPECT_GT(s.loopLength, 0u);
            EXPECT_LE(s.loopStart + s.loopLength, s.length) << "instrument " << i + 1;
        }
        EXPECT_GT(s.peak, 8000) << "instrument " << i + 1 << " is nearly silent";
    }
}

} // namespace
