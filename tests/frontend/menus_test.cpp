// The menu scenes, the pointer mechanics of the main menu and the episode
// boards, and the highlight fades.
#include <gtest/gtest.h>

#include "frontend/frontend.h"
#include "frontend_fixture.h"
#include "gameplay/gameplay.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"

using namespace frontendtest;

namespace {

class MenusTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeMenuMeshes();
        FrameMs = 10;
        FireHeld = false;
        RightHeld = false;
        EnterMainMenu();
    }
    void TearDown() override {
        FireHeld = false;
        ClearEntities();
    }
    static int Box(int item) { return FindEntity(MESH_MENU_BOX, item + 1); }
    // One frame of the main menu with the pointer on slot (0: nowhere).
    static void Frame(int slot, bool fire) {
        PointAt(slot);
        FireHeld = fire;
        UpdateMainMenu();
    }
};

int CountType(int type) {
    int n = 0;
    while (FindEntity(type, n + 1) != ENTITY_NONE)
        n++;
    return n;
}

TEST_F(MenusTest, SweepingWithTheButtonHeldActsOnlyOnce) {
    Frame(Box(MENU_HELP), true);
    ASSERT_EQ(GameState, GS_HELP);
    EXPECT_EQ(CountType(TYPE_CAPSULE), 9);
    EXPECT_TRUE(HelpVisible);
    GameState = GS_HELP;
    // Still held: over QUIT nothing happens, nor after leaving every box.
    Frame(Box(MENU_QUIT), true);
    Frame(0, false);
    Frame(Box(MENU_QUIT), true);
    EXPECT_EQ(GameState, GS_HELP);
    // Let go over a box: the latch opens, and the next press acts.
    Frame(Box(MENU_QUIT), false);
    EXPECT_EQ(GameState, GS_HELP);
    Frame(Box(MENU_QUIT), true);
    EXPECT_EQ(GameState, GS_QUIT_SCREEN);
    EXPECT_TRUE(CreditsVisible);
    EXPECT_FALSE(TopTenVisible);
    EXPECT_EQ(CountType(TYPE_CAPSULE), 0);
    EXPECT_EQ(CountType(MESH_MENU_BOX), 0);
    EXPECT_NE(FindEntity(TYPE_CURSOR, 1), ENTITY_NONE);
}

TEST_F(MenusTest, HoverMovesWithThePointerAndOnlyOneIsSet) {
    Frame(Box(MENU_SETUP), false);
    EXPECT_TRUE(MainMenuHover[MENU_SETUP]);
    Frame(Box(MENU_HELP), false);
    EXPECT_FALSE(MainMenuHover[MENU_SETUP]);
    EXPECT_TRUE(MainMenuHover[MENU_HELP]);
    Frame(0, false);
    for (int i = 0; i < MENU_ITEM_COUNT; i++)
        EXPECT_FALSE(MainMenuHover[i]);
}

TEST_F(MenusTest, PointedBoxTurnsGoldAndReturnsToWhiteByFrameTime) {
    const int box = Box(MENU_PLAY);
    Frame(box, false);
    // Red reaches its target within one 10 ms frame, green and blue grow slower.
    EXPECT_FLOAT_EQ(TintOf(box)[0], 0.952f);
    EXPECT_NEAR(TintOf(box)[1], 1.0f - 10 * 0.713f * 0.04f, 1e-5);
    EXPECT_NEAR(TintOf(box)[2], 1.0f - 10 * 0.07f * 0.04f, 1e-5);
    for (int i = 0; i < 60; i++)
        Frame(box, false);
    EXPECT_FLOAT_EQ(TintOf(box)[1], 0.713f);
    EXPECT_FLOAT_EQ(TintOf(box)[2], 0.07f);
    // Pointer away: 0.001 per ms per component back towards white.
    Frame(0, false);
    EXPECT_NEAR(TintOf(box)[0], 0.962f, 1e-5);
    EXPECT_NEAR(TintOf(box)[2], 0.08f, 1e-5);
    FrameMs = 100;
    for (int i = 0; i < 10; i++)
        Frame(0, false);
    EXPECT_FLOAT_EQ(TintOf(box)[2], 1.0f);
    EXPECT_FLOAT_EQ(TintOf(Box(MENU_QUIT))[0], 1.0f); // never pointed: untouched white
}

TEST_F(MenusTest, PointedBoardSpinsSnapsBackAndAClickPicksItsEpisode) {
    EnterEpisodeSelect();
    const int jungle = FindEntity(MESH_JUNGLE, 1), ocean = FindEntity(MESH_OCEAN, 1);
    PointAt(jungle);
    UpdateEpisodeSelect();
    EXPECT_TRUE(EpisodeHover[1]);
    EXPECT_FLOAT_EQ(EntityTable[jungle].spin[1], 1.0f);
    EntityTable[jungle].rotation[1] = 40.0f; // as if it had turned a while
    PointAt(0);
    UpdateEpisodeSelect();
    EXPECT_FLOAT_EQ(EntityTable[jungle].spin[1], 0.0f);
    EXPECT_FLOAT_EQ(EntityTable[jungle].rotation[1], 0.0f);
    EXPECT_FALSE(EpisodeHover[1]);

    PointAt(ocean);
    UpdateEpisodeSelect();
    FireHeld = true;
    UpdateEpisodeSelect();
    EXPECT_EQ(GameState, GS_EPISODE_CHOSEN);
    EXPECT_EQ(episode, 2);
}

TEST_F(MenusTest, HelpCapsulesJoinTheMenuInAColumn) {
    EnterHelp();
    EXPECT_EQ(CountType(MESH_MENU_BOX), 4);
    ASSERT_EQ(CountType(TYPE_CAPSULE), 9);
    for (int k = 0; k < 9; k++) {
        const Entity& capsule = EntityTable[FindEntity(TYPE_CAPSULE, k + 1)];
        EXPECT_NEAR(capsule.position[1], 0.48f - 0.2f * k, 1e-5);
        EXPECT_FLOAT_EQ(capsule.spin[0], 1.5f);
    }
    EXPECT_TRUE(HelpVisible);
    EXPECT_TRUE(MenuLabelsVisible);
    EXPECT_FALSE(TopTenVisible);
    // (The ways back are the screens test's, through the dispatcher.)
    RemoveHelpCapsules();
    EXPECT_EQ(CountType(TYPE_CAPSULE), 0);
    RemoveHelpCapsules(); // nothing left to remove: harmless
    EXPECT_EQ(CountType(MESH_MENU_BOX), 4);
}

TEST_F(MenusTest, MissingBoxesAreNeverPointedAt) {
    ClearEntities();
    SpawnMenuCursor();
    PointAt(0);
    FireHeld = true;
    GameState = GS_SETUP;
    UpdateMainMenu(); // the setup screen runs it with no boxes at all
    EXPECT_EQ(GameState, GS_SETUP);
}

} // namespace
