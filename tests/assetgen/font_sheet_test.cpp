// The glyph sheet: glyphs where the text printer looks for them.
#include "tests/assetgen/asset_checks.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace assetcheck;
using k3dtest::ReadWholeFile;

namespace {

class FontSheet : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ReadWholeFile(std::string(K3D_GAME_DIR) + "/Texture/font.tga", &bytes_));
        ASSERT_TRUE(ParseTargaHeader(bytes_, &h_));
        ASSERT_EQ(h_.depth, 32) << "alpha carries the glyph";
        ASSERT_EQ(h_.width, h_.height);
        cell_ = h_.width / 16;
    }
    // The glyph's own coverage at (x, y) inside the cell of code, y from the
    // cell's top: its colour times its alpha (the rim around it is black).
    int Alpha(int code, int x, int y) {
        uint8_t p[4];
        // Row 0 of the sheet (codes 0..15) is the top of the picture.
        EXPECT_TRUE(TargaPixel(bytes_, h_, (code % 16) * cell_ + x, (code / 16) * cell_ + y, p));
        return p[0] * p[3] / 255;
    }
    // Alpha alone: the glyph with its rim.
    int Cover(int code, int x, int y) {
        uint8_t p[4];
        EXPECT_TRUE(TargaPixel(bytes_, h_, (code % 16) * cell_ + x, (code / 16) * cell_ + y, p));
        return p[3];
    }
    int Ink(int code, int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += Alpha(code, x, y) > 128 ? 1 : 0;
        return n;
    }
    std::string bytes_;
    TargaHeader h_;
    int cell_ = 0;
};

TEST_F(FontSheet, PrintableCharactersHaveInkInTheLeftHalfOnly) {
    for (int code = 33; code < 127; ++code) {
        EXPECT_GT(Ink(code, 0, cell_ / 2, 0, cell_), 3) << "glyph " << static_cast<char>(code);
        EXPECT_EQ(Ink(code, cell_ / 2, cell_, 0, cell_), 0) << "glyph " << static_cast<char>(code);
    }
    for (int code : {0, 10, 31, 32, 127})
        EXPECT_EQ(Ink(code, 0, cell_, 0, cell_), 0) << code;
}

TEST_F(FontSheet, EveryGlyphIsFramedByADarkRim) {
    // Coloured text reads on any ground because no texel of a glyph touches
    // bare background: every neighbour is glyph or rim, opaque either way.
    for (int code = 33; code < 127; ++code) {
        int bare = 0, rim = 0;
        for (int y = 1; y < cell_ - 1; ++y)
            for (int x = 1; x < cell_ - 1; ++x) {
                if (Alpha(code, x, y) < 128) {
                    if (Cover(code, x, y) > 200) rim++;
                    continue;
                }
                // The cell's outermost texels stay clear against filtering.
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 1 || ny < 1 || nx > cell_ - 2 || ny > cell_ - 2) continue;
                        if (Cover(code, nx, ny) < 128) bare++;
                    }
            }
        EXPECT_EQ(bare, 0) << "glyph " << static_cast<char>(code) << " touches the background";
        EXPECT_GT(rim, 20) << "glyph " << static_cast<char>(code) << " has no rim";
    }
}

TEST_F(FontSheet, GlyphsStandUprightOnACommonBaseline) {
    // 'T' has its bar at the top, '_' lies at the bottom, 'g' descends.
    const int q = cell_ / 4;
    EXPECT_GT(Ink('T', 0, cell_ / 2, q, 2 * q), Ink('T', 0, cell_ / 2, 2 * q, 3 * q));
    EXPECT_GT(Ink('_', 0, cell_ / 2, 3 * q, cell_), 0);
    EXPECT_EQ(Ink('_', 0, cell_ / 2, 0, 2 * q), 0);
    int baseline = -1;
    for (int y = cell_ - 1; y >= 0 && baseline < 0; --y)
        if (Ink('H', 0, cell_ / 2, y, y + 1) > 0) baseline = y;
    ASSERT_GT(baseline, cell_ / 2);
    for (char c : {'A', 'E', 'K', 'Z', '0', '3'}) {
        int bottom = -1;
        for (int y = cell_ - 1; y >= 0 && bottom < 0; --y)
            if (Ink(c, 0, cell_ / 2, y, y + 1) > 0) bottom = y;
        EXPECT_NEAR(bottom, baseline, 1) << c;
    }
    EXPECT_GT(Ink('g', 0, cell_ / 2, baseline + 1, cell_), 0);
    // Distinct characters are distinct pictures.
    EXPECT_NE(Ink('O', 0, cell_ / 2, 0, cell_), Ink('Q', 0, cell_ / 2, 0, cell_));
}

} // namespace
