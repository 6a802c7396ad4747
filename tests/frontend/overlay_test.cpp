// The overlay's blocks and their conditions, read back with a solid font so
// each character is a filled square of its colour.
#include "frontend/frontend.h"
#include "gameplay/gameplay.h"
#include "gl_fixture.h"
#include "scores/scores.h"
#include "shell/game_state.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace frontendtest;

namespace {

const Pixel Grey{128, 128, 128}, Black{0, 0, 0}, Red{255, 0, 0};

class OverlayTest : public GlTextTest {
  protected:
    void SetUp() override {
        OpenWindow(1);
        UseSolidFont();
        ClearDisplayFlags();
        ShowFpsOption = false;
        FpsEstimate = 60;
        combo = 300;
        score = 1234;
        lives = 3;
        currentStage = 7;
    }
    void TearDown() override {
        ClearDisplayFlags();
        GameState = GS_STARTUP;
        GlTextTest::TearDown();
    }
    void Draw(int state) {
        GameState = state;
        Clear(0.5f);
        DrawTextOverlay();
    }
};

// One pixel of the overlay per row, drawn over grey in a state with the
// flags the row sets (the HUD's rows and columns at 640 x 480).
TEST_F(OverlayTest, BlocksShowOnlyInTheirStates) {
    const struct {
        const char* rule;
        int state;
        bool fps, hud, menuLabels;
        int lives;
        int x, y;
        Pixel expect;
    } rows[] = {
        {"no frame rate in the menus", GS_MAIN_MENU, true, false, false, 3, 2, 470, Grey},
        {"the frame rate while a stage is played", GS_PLAYING, true, false, false, 3, 2, 470,
         Black},
        {"one 12-pixel line at the very top", GS_PLAYING, true, false, false, 3, 2, 467, Grey},
        {"no frame rate when the option is off", GS_PLAYING, false, false, false, 3, 2, 470, Grey},
        {"COMBO at column 3 in play", GS_PLAYING, false, true, false, 3, 100, 460, Black},
        {"SCORE at column 11 in play", GS_PLAYING, false, true, false, 3, 356, 460, Black},
        {"no combo in the name entry", GS_NAME_ENTRY, false, true, false, 3, 100, 460, Grey},
        {"nor its value", GS_NAME_ENTRY, false, true, false, 3, 200, 460, Grey},
        {"the score stays in the name entry", GS_NAME_ENTRY, false, true, false, 3, 356, 460,
         Black},
        {"no combo when the game is over", GS_GAME_OVER, false, true, false, 3, 100, 460, Grey},
        {"the lives line, row 3 of size 10", GS_PLAYING, false, true, false, 3, 2, 442, Black},
        {"the stage line below it", GS_PLAYING, false, true, false, 3, 2, 432, Black},
        {"the lives line red when none are left", GS_PLAYING, false, true, false, 0, 2, 442, Red},
        {"and the stage line still black", GS_PLAYING, false, true, false, 0, 2, 432, Black},
        {"a menu label, row 34 of size 12", GS_MAIN_MENU, false, false, true, 3, 134, 62, Black},
        {"its second line", GS_MAIN_MENU, false, false, true, 3, 134, 50, Black},
        {"and nothing below", GS_MAIN_MENU, false, false, true, 3, 134, 46, Grey},
        {"the HUD hides the menu labels", GS_MAIN_MENU, false, true, true, 3, 134, 62, Grey},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        ShowFpsOption = row.fps;
        HudVisible = row.hud;
        MenuLabelsVisible = row.menuLabels;
        lives = row.lives;
        Draw(row.state);
        EXPECT_EQ(At(row.x, row.y), row.expect);
    }
    HudVisible = 1;
    Draw(GS_PLAYING);
    const Pixel gold = At(450, 460); // the score value at column 14
    EXPECT_GT(gold.r, gold.b + 100);
}

TEST_F(OverlayTest, EachScreenDrawsItsOwnTexts) {
    Draw(GS_MAIN_MENU);
    EXPECT_EQ(Lit(0, 0, 640, 480, Grey), 0);
    Draw(GS_INTRO); // the two invitation lines near the bottom
    EXPECT_GT(Lit(0, 0, 640, 60, Grey), 0);
    EXPECT_EQ(Lit(0, 60, 640, 420, Grey), 0);

    GameState = GS_QUIT_SCREEN;
    CreditsVisible = 1;
    Draw(GS_QUIT_SCREEN);
    EXPECT_GT(Lit(0, 480 - 7 * 26, 640, 26, Grey), 0);        // the title on row 6
    EXPECT_GT(Lit(13 * 18, 480 - 13 * 18, 100, 18, Grey), 0); // first role, row 12
    EXPECT_GT(Lit(13 * 18, 480 - 16 * 18, 100, 18, Grey), 0); // fourth role, row 15
    EXPECT_EQ(Lit(0, 0, 640, 480 - 16 * 18 - 1, Grey), 0);    // nothing below
    // The team block sits centred under its centred title.
    int left = 640, right = 0;
    for (int x = 0; x < 640; x++)
        if (Lit(x, 480 - 16 * 18, 1, 4 * 18, Grey) > 0) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    EXPECT_NEAR(left + right, 640, 24) << left << ".." << right;

    ClearDisplayFlags();
    EpisodeLabelsVisible = 1;
    Draw(GS_EPISODE_SELECT);
    const Pixel title = At(320, 470);
    EXPECT_GT(title.r, title.b + 100);                    // "SELECT EPISODE" in gold
    EXPECT_EQ(At(16 * 12 + 2, 480 - 19 * 12 + 2), Black); // "O C E A N"

    ClearDisplayFlags();
    HelpVisible = 1;
    Draw(GS_HELP);
    // Each bonus name starts right of its capsule, centred on the capsule's
    // 24-unit row (7..15): 18-pixel glyphs from x 468.
    for (int k = 0; k < 9; k++) {
        const int rowMiddle = 480 - (8 + k) * 24 + 12;
        EXPECT_EQ(At(468 + 2, rowMiddle), Black) << k;
        EXPECT_EQ(At(468 + 2, rowMiddle - 11), Grey) << k; // rows stay apart
        EXPECT_EQ(At(466, rowMiddle), Grey) << k;          // clear of the capsule
    }
}

TEST_F(OverlayTest, HelpLegendStaysInsideTheSplash) {
    // The menu background's side panels start at x 576 of the design grid;
    // the longest name ("EnlargeShip") must end before them, shadow aside.
    HelpVisible = 1;
    Draw(GS_HELP);
    std::vector<uint8_t> rgba(64 * 480 * 4);
    glReadPixels(576, 0, 64, 480, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    int black = 0;
    for (size_t i = 0; i < rgba.size(); i += 4)
        black += rgba[i] == 0 && rgba[i + 1] == 0 && rgba[i + 2] == 0;
    EXPECT_EQ(black, 0);
}

// Pixels of the whole 640 x 480 frame that differ from the grey background.
std::vector<bool> LitMask() {
    std::vector<uint8_t> rgba(640 * 480 * 4);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<bool> lit(640 * 480);
    for (size_t i = 0; i < lit.size(); i++)
        lit[i] = rgba[4 * i] != 128 || rgba[4 * i + 1] != 128 || rgba[4 * i + 2] != 128;
    return lit;
}

TEST_F(OverlayTest, HeldStateMessagesLeaveTheHudUncovered) {
    HudVisible = 1;
    lives = 2;
    for (int state : {GS_STAGE_CLEARED, GS_LIFE_LOST}) {
        Draw(state);
        const std::vector<bool> hud = LitMask();
        Clear(0.5f);
        DrawHeldStateMessage(state == GS_STAGE_CLEARED);
        const std::vector<bool> message = LitMask();
        int drawn = 0, shared = 0;
        for (size_t i = 0; i < hud.size(); i++) {
            drawn += message[i];
            shared += message[i] && hud[i];
        }
        EXPECT_GT(drawn, 0) << state;
        EXPECT_EQ(shared, 0) << state;
    }
}

TEST_F(OverlayTest, GameOverInRed) {
    Clear(0.5f);
    DrawGameOverMessage();
    EXPECT_EQ(At(32 * 5 + 2, 450), Red);
}

TEST_F(OverlayTest, TopTenShowsTheTableAndNamesAreNeverFormats) {
    ClearScoreTable();
    ScoreTable[0].score = 98765;
    std::strcpy(ScoreTable[0].name, "%s%s%n");
    std::strcpy(ScoreTable[9].name, "last");
    TopTenVisible = 1;
    Draw(GS_MAIN_MENU);
    // Place 1 on row 11 of size 18: number at column 12, name 14, score 20.
    const int y = 480 - 12 * 18 + 4;
    for (int col : {12, 14, 20}) {
        const Pixel p = At(col * 18 + 2, y);
        EXPECT_GT(p.r, p.b + 100) << col; // gold
    }
    // "%s%s%n" printed as its six characters: up to column 14 + 2.5 + 1.
    EXPECT_NE(At(14 * 18 + 5 * 9 + 2, y), Grey);
    EXPECT_EQ(At(14 * 18 + 6 * 9 + 12, y), Grey);
    EXPECT_NE(At(14 * 18 + 2, 480 - 21 * 18 + 4), Grey); // place 10's name
    ClearScoreTable();
}

TEST_F(GlTextTest, HudAt1280x1024HasSixtyFourPixelLabelsAndTheScoreAt896) {
    OpenWindow(4);
    UseSolidFont();
    ClearDisplayFlags();
    HudVisible = 1;
    score = 42;
    GameState = GS_PLAYING;
    Clear(0.5f);
    DrawTextOverlay();
    const Pixel grey{128, 128, 128}, black{0, 0, 0};
    EXPECT_EQ(At(704, 955), black); // "SCORE" at column 11, 64 pixels high
    EXPECT_EQ(At(704, 1018), black);
    EXPECT_EQ(At(704, 954), grey);
    EXPECT_EQ(At(704, 1019), grey);
    const Pixel gold = At(896, 960);
    EXPECT_GT(gold.r, gold.b + 100);
    EXPECT_EQ(At(896 + 32 + 64 + 2, 960), grey); // two digits end at 896 + 32 + 64
    ClearDisplayFlags();
    GameState = GS_STARTUP;
}

} // namespace
