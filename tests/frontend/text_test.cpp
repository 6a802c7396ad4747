// The printer and the layout helpers, read back from a real GL window.
#include <cstring>
#include <vector>

#include "gl_fixture.h"

using namespace frontendtest;

namespace {

const Pixel Black{0, 0, 0}, White{255, 255, 255}, Red{255, 0, 0};

TEST(TextLayout, ColourCodes) {
    float rgb[3];
    TextColourOf(TEXT_GOLD, false, rgb);
    EXPECT_FLOAT_EQ(rgb[0], 0.952f);
    EXPECT_FLOAT_EQ(rgb[2], 0.07f);
    TextColourOf(TEXT_WHITE, true, rgb);
    EXPECT_FLOAT_EQ(rgb[1], 1.0f);
    TextColourOf(TEXT_WHITE, false, rgb); // centred text knows no white
    EXPECT_FLOAT_EQ(rgb[1], 0.0f);
    TextColourOf(TEXT_GREEN, false, rgb);
    EXPECT_FLOAT_EQ(rgb[0] + rgb[1] + rgb[2], 1.0f);
    TextColourOf(7, true, rgb);
    EXPECT_FLOAT_EQ(rgb[0] + rgb[1] + rgb[2], 0.0f);
}

TEST_F(GlTextTest, TwoLinesTwelvePixelsApartFromTheSameX) {
    OpenWindow(1);
    UseSolidFont();
    Clear(0);
    Print(100, 200, "P L A Y\nG A M E");
    // Line one covers y 200..211, line two 188..199, both from x = 100; the
    // last of 7 characters starts 6 advances (of 6 px) in and is 12 wide.
    EXPECT_EQ(At(100, 200), White);
    EXPECT_EQ(At(100, 211), White);
    EXPECT_EQ(At(100, 188), White);
    EXPECT_EQ(At(147, 188), White);
    EXPECT_EQ(At(99, 200), Black);
    EXPECT_EQ(At(99, 188), Black);
    EXPECT_EQ(At(100, 212), Black);
    EXPECT_EQ(At(100, 187), Black);
    EXPECT_EQ(At(148, 205), Black);
}

TEST_F(GlTextTest, SizesFollowTheWidthAndRowsTheHeightAt1280x1024) {
    OpenWindow(4);
    ASSERT_EQ(ScreenWidth(), 1280);
    UseSolidFont();
    Clear(0);
    PrintAt("S", 32, 0, 0, 0, TEXT_RED);
    EXPECT_EQ(LayoutY(32, 0), 955);
    EXPECT_EQ(At(0, 955), Red);
    EXPECT_EQ(At(63, 1018), Red); // 64-pixel glyph, top edge at 1019
    EXPECT_EQ(At(0, 954), Black);
    EXPECT_EQ(At(0, 1019), Black); // the shadow's top row is clipped
    EXPECT_EQ(At(64, 960), Black);
    // The HUD's score value at column 14 starts at 896.
    EXPECT_EQ(LayoutX(32, 14), 896);
}

TEST_F(GlTextTest, CenteredTextStartsAt208In640) {
    OpenWindow(1);
    UseSolidFont();
    Clear(0);
    EXPECT_EQ(CenteredX(14, 32), 208);
    PrintCentered("SELECT EPISODE", 32, TEXT_RED, 0);
    const int y = LayoutY(32, 0) + 10;
    EXPECT_EQ(At(207, y), Black);
    EXPECT_EQ(At(208, y), Red);
    // 14 advances of 16 end at 432; the last square is 32 wide.
    EXPECT_EQ(At(447, y), Red);
    EXPECT_EQ(At(449, y), Black);
    // A text wider than the window is centred as if it were the window.
    EXPECT_EQ(CenteredX(60, 32), 160);
}

// The pixels of one 640-wide text line of size 10 at row 3.
std::vector<Pixel> LifeLine() {
    std::vector<Pixel> line(640 * 10);
    std::vector<uint8_t> rgba(640 * 10 * 4);
    glReadPixels(0, 440, 640, 10, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (size_t i = 0; i < line.size(); i++)
        line[i] = Pixel{rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2]};
    return line;
}

TEST_F(GlTextTest, ValueMinusOnePrintsZerosInRed) {
    OpenWindow(1);
    UseRealFont();
    EXPECT_EQ(LayoutY(10, 3), 440);
    // Each line is compared with the literal text it must show.
    Clear(0.5f);
    PrintValueAt("    Life %.2d", 10, -1, 3, 0);
    const std::vector<Pixel> minusOne = LifeLine();
    Clear(0.5f);
    PrintAt("    Life 00", 10, 0, 3, 0, TEXT_RED);
    EXPECT_TRUE(minusOne == LifeLine());
    int red = 0;
    for (const Pixel& p : minusOne)
        if (p.r > 200 && p.g < 80 && p.b < 80) red++;
    EXPECT_GT(red, 10);

    Clear(0.5f);
    PrintValueAt("    Life %.2d", 10, 3, 3, 0);
    const std::vector<Pixel> three = LifeLine();
    Clear(0.5f);
    PrintAt("    Life 03", 10, 0, 3, 0, TEXT_BLACK);
    EXPECT_TRUE(three == LifeLine());
    Clear(0.5f);
    PrintAt("    Life 08", 10, 0, 3, 0, TEXT_BLACK);
    EXPECT_FALSE(three == LifeLine()); // the font tells digits apart
    int dark = 0;
    for (const Pixel& p : three) {
        if (p.r < 40 && p.g < 40 && p.b < 40) dark++;
        ASSERT_FALSE(p.r > 200 && p.g < 80) << "no red in the black line";
    }
    EXPECT_GT(dark, 10);
}

TEST_F(GlTextTest, StyleResetsAfterEveryPrint) {
    OpenWindow(1);
    UseSolidFont();
    Clear(0);
    SetTextSize(30);
    SetTextColour(1, 0, 0);
    EnableTextShadow();
    Print(10, 10, "A");
    EXPECT_EQ(At(35, 35), Red);
    EXPECT_EQ(TextStyle.size, 12);
    EXPECT_EQ(TextStyle.shadowOn, 0);
    EXPECT_FLOAT_EQ(TextStyle.colour[1], 1.0f);
    EXPECT_FLOAT_EQ(TextStyle.shadow[0], 0.5f);
    Print(200, 10, "A");
    EXPECT_EQ(At(200, 10), White);
    EXPECT_EQ(At(211, 21), White);
    EXPECT_EQ(At(213, 23), Black); // size 12 again, no shadow square beside it
}

TEST_F(GlTextTest, PrintLeavesTheSceneStateAsItFoundIt) {
    OpenWindow(1);
    UseSolidFont();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(2, 2, 2);
    Print(0, 0, "restore");
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 2.0f);
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(GlTextTest, OverlongTextIsCutNotOverrun) {
    OpenWindow(1);
    UseSolidFont();
    Clear(0);
    static char text[3000];
    std::memset(text, 'x', sizeof text - 1);
    Print(0, 0, "%s", text);
    EXPECT_EQ(At(600, 5), White);
    EXPECT_EQ(At(639, 5), White);
}

} // namespace
