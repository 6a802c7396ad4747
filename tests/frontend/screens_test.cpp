// Whole frames of the menu states through the game's own dispatcher: what
// the player's buttons and keys do on the help and quit screens.
#include "frontend/frontend.h"
#include "frontend_fixture.h"
#include "gl_fixture.h"
#include "shell/game_state.h"
#include "shell/steering.h"

using namespace frontendtest;

namespace {

class ScreensTest : public GlTextTest {
  protected:
    void SetUp() override {
        OpenWindow(1);
        MakeMenuMeshes();
        FrameMs = 10;
        FireHeld = RightHeld = false;
        KeyWord = 0;
        EnterMainMenu();
    }
    void TearDown() override {
        FireHeld = RightHeld = false;
        KeyWord = 0;
        ClearEntities();
        ClearDisplayFlags();
        GameState = GS_STARTUP;
        GlTextTest::TearDown();
    }
    // Steers the pointer onto the pixel where a point of the menu boxes'
    // plane is seen, then runs one whole frame.
    static void Frame(float x, float y, bool fire, bool right, uint32_t keys) {
        const float point[3] = {x, y, 0.7f};
        float px = 0, py = 0;
        ASSERT_TRUE(WorldToScreen(point, &px, &py));
        SteerX = (int)px - ScreenWidth() / 2;
        SteerY = (int)py - ScreenHeight() / 2;
        FireHeld = fire;
        RightHeld = right;
        KeyWord = keys;
        RunGameFrame();
    }
    static int Capsules() {
        int n = 0;
        while (FindEntity(TYPE_CAPSULE, n + 1) != ENTITY_NONE)
            n++;
        return n;
    }
};

TEST_F(ScreensTest, RightClickOnHelpReturnsWithTheTableAndNoCapsules) {
    Frame(0.4f, -1.334f, true, false, 0); // press on HELP
    ASSERT_EQ(GameState, GS_HELP);
    EXPECT_EQ(Capsules(), 9);
    EXPECT_FALSE(TopTenVisible);
    Frame(0.4f, -1.334f, false, false, 0);
    Frame(0.0f, 0.0f, false, true, 0);
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_TRUE(TopTenVisible);
    EXPECT_TRUE(MenuLabelsVisible);
    EXPECT_FALSE(HelpVisible);
    EXPECT_EQ(Capsules(), 0);
    EXPECT_NE(FindEntity(MESH_MENU_BOX, 4), ENTITY_NONE); // the same boxes stay
}

TEST_F(ScreensTest, EscapeOnHelpGoesBackThroughTheMenuState) {
    Frame(0.4f, -1.334f, true, false, 0);
    ASSERT_EQ(GameState, GS_HELP);
    Frame(0.0f, 0.0f, false, false, KW_ESCAPE);
    EXPECT_EQ(GameState, GS_BACK_TO_MENU);
    EXPECT_EQ(Capsules(), 0);
    Frame(0.0f, 0.0f, false, false, 0);
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_TRUE(TopTenVisible);
}

TEST_F(ScreensTest, TheQuitScreenIgnoresAKeyStillHeld) {
    QuitArmed = false;
    Frame(1.2f, -1.334f, true, false, 0); // press on QUIT
    ASSERT_EQ(GameState, GS_QUIT_SCREEN);
    EXPECT_TRUE(CreditsVisible);
    // The button and then a key stay down: nothing ends.
    for (int i = 0; i < 5; i++)
        Frame(0.0f, 0.0f, true, false, 0);
    for (int i = 0; i < 5; i++)
        Frame(0.0f, 0.0f, false, false, KW_SPACE);
    EXPECT_EQ(GameState, GS_QUIT_SCREEN);
    Frame(0.0f, 0.0f, false, false, 0); // all let go: armed
    EXPECT_EQ(GameState, GS_QUIT_SCREEN);
    Frame(0.0f, 0.0f, false, false, KW_SPACE);
    EXPECT_EQ(GameState, GS_EXIT);
    GameState = GS_STARTUP; // the next frame would end the process
}

TEST_F(ScreensTest, SetupOpensOnlyAfterTheOpeningClickIsLetGo) {
    Frame(-0.4f, -1.334f, true, false, 0); // press on SETUP
    ASSERT_EQ(GameState, GS_SETUP);
    EXPECT_TRUE(ConfigVisible);
    EXPECT_FALSE(SetupArmed);
    // Still held over a choice arrow: the opening press clicks nothing.
    for (int i = 0; i < 3; i++)
        Frame(1.0f, 0.2f, true, false, 0);
    for (int i = 0; i < SETUP_CONTROL_COUNT; i++)
        EXPECT_FALSE(SetupPending[i]);
    Frame(1.0f, 0.2f, false, false, 0);
    EXPECT_TRUE(SetupArmed);
    Frame(0.0f, 0.0f, false, false, KW_ESCAPE);
    EXPECT_EQ(GameState, GS_BACK_TO_MENU);
}

} // namespace
