// The state machine driven frame by frame through the real dispatcher, with
// a real window and the generated data: transitions, holds, and scripted
// games played to the end of a stage and to the end of a game.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "audio/sound_bank.h"
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "scores/scores.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"

namespace {

class GameStateTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        VideoModeIndex = 1; // 640 x 480
        FullScreen = false;
        window_ = createWindowObject(true, false);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(window_->createWindow(640, 480, 32, true, "game state"));
        GameWindow = window_;
        initInput(window_);
        SetProjection(640, 480);
        InitCameras();
        LoadMeshTable();
        BuildSineTable();
        LoadEpisodeFile("Orvi\\episode.pak");
    }
    static void TearDownTestSuite() {
        ClearEntities();
        GameWindow = nullptr;
        delete window_;
    }
    void SetUp() override {
        srand(1234);
        SoundEnabled = false; // no device in the tests; the bank is not loaded
        FrameMs = 16;
        BonusChanceDivisor = 20;
        UseBumper = 0;
        ViewAngle = 0;
        KeyWord = 0;
        FireHeld = RightHeld = false;
        HeldTarget = -1;
        QuitArmed = false;
    }

    // One frame as the main loop runs it, with the input already set.
    void Frame(uint32_t keys = 0, bool fire = false) {
        KeyWord = keys;
        FireHeld = fire;
        window_->resetView();
        SetProjection(640, 480);
        ApplyCamera();
        RunGameFrame();
        window_->flipBackBuffer(false, true);
    }

    // Ends a hold at once instead of waiting for it on the clock.
    static void ExpireHold() { HeldUntilMs = 0.0; }

    static void KillType(int type) {
        for (int slot = FindEntity(type, 1); slot != ENTITY_NONE; slot = FindEntity(type, 1))
            KillEntity(slot);
    }

    static void StartGame() {
        currentStage = 1;
        StartEpisode();
        ASSERT_EQ(GameState, GS_PLAYING);
    }

    static KWindow* window_;
};
KWindow* GameStateTest::window_ = nullptr;

TEST_F(GameStateTest, ClearedStageIsHeldThenTheNextStageIsBuiltWithALifeMore) {
    StartGame();
    // Dissolving bricks still count: a hit brick is not a cleared stage.
    KillType(TYPE_BRICK);
    EXPECT_EQ(lives, 4);
    Frame();
    EXPECT_EQ(GameState, GS_STAGE_CLEARED);
    EXPECT_EQ(lives, 5);
    EXPECT_EQ(HeldTarget, GS_NEXT_STAGE);
    Frame(); // the hold lasts while its time runs
    EXPECT_EQ(GameState, GS_STAGE_CLEARED);

    stageTime = 40000;
    ExpireHold();
    Frame();
    EXPECT_EQ(GameState, GS_NEXT_STAGE);
    EXPECT_EQ(currentStage, 2);
    EXPECT_EQ(pendingScore, 25000); // 10^9 / 40 000 ms
    Frame();
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_FALSE(ballLaunched);
    EXPECT_NE(FindEntity(MESH_SHIP, 1), ENTITY_NONE);
    EXPECT_NE(FindEntity(MESH_BALL, 1), ENTITY_NONE);
}

TEST_F(GameStateTest, LastBallLostWithNoLifeEndsInNameEntry) {
    StartGame();
    lives = 0;
    KillType(MESH_BALL);
    Frame();
    EXPECT_EQ(GameState, GS_LIFE_LOST);
    ExpireHold();
    Frame();
    EXPECT_EQ(GameState, GS_NAME_ENTRY);
    EXPECT_EQ(NameCursor, 0);
    EXPECT_EQ(std::string(PlayerName), "__________");
}

TEST_F(GameStateTest, LostBallWithALifeLeftRespawnsOnTheShip) {
    StartGame();
    lives = 1;
    cannonShip = false;
    SwitchToCannonShip();
    ASSERT_TRUE(cannonShip);
    KillType(MESH_BALL);
    Frame();
    ExpireHold();
    Frame();
    EXPECT_EQ(GameState, GS_RESPAWN);
    EXPECT_EQ(lives, 0);
    EXPECT_FALSE(cannonShip); // a lost ball takes the cannons
    Frame();
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_NE(FindEntity(MESH_BALL, 1), ENTITY_NONE);
}

TEST_F(GameStateTest, ClearingStage51EndsTheGameWithoutATimeBonus) {
    StartGame();
    currentStage = 51;
    pendingScore = 0;
    KillType(TYPE_BRICK);
    Frame();
    ExpireHold();
    Frame();
    EXPECT_EQ(GameState, GS_NAME_ENTRY);
    EXPECT_EQ(currentStage, 52);
    EXPECT_EQ(pendingScore, 0);
}

TEST_F(GameStateTest, EscapeLeavesPlayAndTheHeldStatesForTheMainMenu) {
    StartGame();
    combo = 700;
    currentStage = 7;
    Frame(KW_ESCAPE);
    EXPECT_EQ(GameState, GS_BACK_TO_MENU);
    Frame();
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_EQ(combo, 0);
    EXPECT_EQ(currentStage, 1);
    EXPECT_EQ(SteerX, 0);

    StartGame();
    KillType(TYPE_BRICK);
    Frame();
    ASSERT_EQ(GameState, GS_STAGE_CLEARED);
    Frame(KW_ESCAPE);
    EXPECT_EQ(GameState, GS_BACK_TO_MENU);
    EXPECT_EQ(HeldTarget, -1);
}

TEST_F(GameStateTest, FirstFireLaunchesAndStartsTheStageClock) {
    StartGame();
    EXPECT_FALSE(stageClockRunning);
    Frame(0, true);
    EXPECT_TRUE(ballLaunched);
    EXPECT_TRUE(stageClockRunning);
    // Later fire with the cannon ship sends a missile.
    SwitchToCannonShip();
    missileCooldown = 0;
    Frame(0, true);
    EXPECT_NE(FindEntity(TYPE_MISSILE, 1), ENTITY_NONE);
}

TEST_F(GameStateTest, ClicksMustBeLetGoBeforeTheNextScreenReacts) {
    GameState = GS_PLAY_CHOSEN;
    Frame(0, true);
    EXPECT_EQ(GameState, GS_PLAY_CHOSEN);
    Frame(0, false);
    EXPECT_EQ(GameState, GS_EPISODE_SELECT);

    // The quit screen ends the program only after a key-free frame.
    GameState = GS_QUIT_SCREEN;
    Frame(KW_SPACE);
    EXPECT_EQ(GameState, GS_QUIT_SCREEN);
    EXPECT_FALSE(QuitArmed);
    Frame();
    EXPECT_TRUE(QuitArmed);
    Frame(KW_SPACE);
    EXPECT_EQ(GameState, GS_EXIT); // not run further: its handler exits
    GameState = GS_MAIN_MENU;
}

TEST_F(GameStateTest, KeyWordIsClearedAfterEveryFrameAndIntroTakesAnyKey) {
    GameState = GS_INTRO;
    Frame();
    EXPECT_EQ(GameState, GS_INTRO);
    Frame(KW_B);
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_EQ(KeyWord, 0u);
}

// ---------------------------------------------------------------------------
// Scripted games on a fixed step and a seeded generator
// ---------------------------------------------------------------------------

// A small stage of its own: one row of eight bricks at the top.
static void UseSmallStage() {
    for (int record = 0; record < STAGE_COUNT; record++) {
        char* cells = EpisodeText + STAGE_RECORD_SIZE * record + STAGE_GRID_OFFSET;
        memset(cells, '0', STAGE_GRID * STAGE_GRID);
        for (int c = 4; c < 12; c++)
            cells[STAGE_GRID * 2 + c] = '1' + (c % 9);
    }
}

TEST_F(GameStateTest, ScriptedPlayerKeepsTheShipUnderTheBallAndClearsTheStage) {
    UseSmallStage();
    StartGame();
    const int bricks = [] {
        int n = 0;
        while (FindEntity(TYPE_BRICK, n + 1) != ENTITY_NONE)
            n++;
        return n;
    }();
    ASSERT_EQ(bricks, 8);
    bool launched = false, sawCapsule = false;
    int frames = 0;
    for (; frames < 15000 && GameState != GS_STAGE_CLEARED; frames++) {
        // Meet the ball a little off the ship's centre, so the bounce sends it
        // towards the nearest brick still standing. Only a ball whose box lies
        // wholly over the ship bounces: aim well inside its half width.
        const int ball = FindEntity(MESH_BALL, 1), brick = FindEntity(TYPE_BRICK, 1);
        if (ball != ENTITY_NONE) {
            const float bx = EntityTable[ball].position[0];
            const float side = brick != ENTITY_NONE && EntityTable[brick].position[0] < bx ? -1 : 1;
            const int ship = ShipSlot();
            const float half = ship == ENTITY_NONE
                                   ? 0.1f
                                   : (EntityTable[ship].boxMax[0] - EntityTable[ship].boxMin[0]) *
                                         0.5f * EntityTable[ship].scale[0];
            SteerX = (int)((bx - side * 0.3f * half) * 640 / 5.0f);
        }
        Frame(0, !launched);
        launched = true;
        if (frames == 50) {
            ASSERT_NE(ball, ENTITY_NONE);
            ASSERT_GT(EntityTable[ball].position[1], -2.4f) << "the ball did not fly";
        }
        if (FindEntity(TYPE_CAPSULE, 1) != ENTITY_NONE) sawCapsule = true;
        if (getenv("K3D_TRACE") && frames % 200 == 0 && ball != ENTITY_NONE)
            fprintf(stderr, "frame %d ball %.3f %.3f v %.4f %.4f bricks %d score %d\n", frames,
                    EntityTable[ball].position[0], EntityTable[ball].position[1],
                    EntityTable[ball].velocity[0], EntityTable[ball].velocity[1],
                    FindEntity(TYPE_BRICK, 1), score);
        ASSERT_NE(GameState, GS_LIFE_LOST) << "the scripted player missed at frame " << frames;
    }
    ASSERT_EQ(GameState, GS_STAGE_CLEARED) << "stage not cleared in " << frames << " frames";
    EXPECT_GT(score + pendingScore, 8 * 500 - 1);
    (void)sawCapsule; // capsules are a matter of chance at this difficulty
    ExpireHold();
    Frame();
    EXPECT_EQ(GameState, GS_NEXT_STAGE);
    Frame();
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_EQ(currentStage, 2);
    EXPECT_NE(FindEntity(TYPE_BRICK, 1), ENTITY_NONE);
    LoadEpisodeFile("Orvi\\episode.pak");
}

TEST_F(GameStateTest, ScriptedPlayerWhoAlwaysMissesEndsInNameEntry) {
    UseSmallStage();
    StartGame();
    int frames = 0, livesLost = 0;
    for (; frames < 15000 && GameState != GS_NAME_ENTRY; frames++) {
        // Keep the ship at the far side of the ball.
        const int ball = FindEntity(MESH_BALL, 1);
        if (ball != ENTITY_NONE)
            SteerX = EntityTable[ball].position[0] > 0 ? -SteerLimitX(640) : SteerLimitX(640);
        Frame(0, true);
        if (GameState == GS_LIFE_LOST) {
            livesLost++;
            ExpireHold();
        }
    }
    ASSERT_EQ(GameState, GS_NAME_ENTRY);
    EXPECT_EQ(livesLost, 5); // four spare lives and the last ball
    EXPECT_EQ(lives, 0);
    LoadEpisodeFile("Orvi\\episode.pak");
}

} // namespace
