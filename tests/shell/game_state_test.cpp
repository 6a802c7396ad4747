// The state machine driven frame by frame through the real dispatcher, with
// a real window and the generated data: transitions, holds, bonuses and the
// music of each end (whole games are the recorded replays').
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "audio/audio.h"
#include "audio/sound_bank.h"
#include "frontend/frontend.h"
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "scores/scores.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"
#include "tests/shell/shell_fixture.h"

namespace {

class GameStateTest : public shelltest::GameWindowTest {
  protected:
    static void SetUpTestSuite() { OpenGameWindow("game state"); }
    void SetUp() override {
        ResetPlay(1234);
        UseOfflineClock(100000.0);
    }
    void TearDown() override { UseWallClock(); }

    // One frame as the main loop runs it, with the input already set.
    void Frame(uint32_t keys = 0, bool fire = false, bool right = false) {
        AdvanceOfflineClock(FrameMs);
        RunFrame(keys, fire, right);
        Flip();
    }

    // Ends a hold at once instead of waiting for it on the clock.
    static void ExpireHold() { HeldUntilMs = 0.0; }
    // Frames without input until the state is no longer `state`.
    int FramesWhile(int state, int limit = 1000) {
        int n = 0;
        while (GameState == state && n < limit) {
            Frame();
            n++;
        }
        return n;
    }
};

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
    EntityTransform t;
    EntityLook look;
    SpawnEntity(MESH_BONUS_FIRST + CAPSULE_MULTI_BALL, *DefaultTransform(&t), *DefaultLook(&look));
    Frame(KW_ESCAPE);
    EXPECT_EQ(GameState, GS_BACK_TO_MENU);
    EXPECT_EQ(FindEntity(TYPE_CAPSULE, 1), ENTITY_NONE) << "the capsules go with the game";
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

TEST_F(GameStateTest, KeyWordIsClearedAfterEveryFrameAndIntroTakesAnyKey) {
    GameState = GS_INTRO;
    Frame();
    EXPECT_EQ(GameState, GS_INTRO);
    Frame(KW_B);
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_EQ(KeyWord, 0u);
}

// A small stage of its own: one row of eight bricks at the top.
static void UseSmallStage() {
    for (int record = 0; record < STAGE_COUNT; record++) {
        char* cells = EpisodeText + STAGE_RECORD_SIZE * record + STAGE_GRID_OFFSET;
        memset(cells, '0', STAGE_GRID * STAGE_GRID);
        for (int c = 4; c < 12; c++)
            cells[STAGE_GRID * 2 + c] = '1' + (c % 9);
    }
}

// ---------------------------------------------------------------------------
// The end of a stage and of a life: bonus, clock, music
// ---------------------------------------------------------------------------

// The time bonus is 10^9 / the best stage time of the game in ms; it rolls
// up while the cleared stage is held and is in the score when play resumes.
TEST_F(GameStateTest, TimeBonusRollsUpDuringTheHoldAndStaysInTheScore) {
    struct StageCase {
        const char* rule;
        int playMs;
        int32_t bonus;
    };
    const StageCase stages[] = {
        {"first stage in 40 s gives 25 000", 40000, 25000},
        {"a slower stage gives the best time's 25 000 again", 60000, 25000},
        {"a faster stage makes a new best: 50 000", 20000, 50000},
    };
    FrameMs = 50; // a 3 s hold is 60 frames
    StartGame();
    for (const StageCase& c : stages) {
        SCOPED_TRACE(c.rule);
        ASSERT_EQ(GameState, GS_PLAYING);
        Frame(0, true); // the launch starts the stage clock
        ASSERT_TRUE(stageClockRunning);
        AdvanceOfflineClock(c.playMs - FrameMs);
        score = 3000; // the brick awards, rolled in
        pendingScore = 0;
        KillType(TYPE_BRICK);
        Frame();
        ASSERT_EQ(GameState, GS_STAGE_CLEARED);
        for (int i = 0; i < 45; i++)
            Frame();
        EXPECT_EQ(GameState, GS_STAGE_CLEARED) << "still held";
        EXPECT_EQ(score, 3000 + c.bonus) << "rolled up during the hold";
        FramesWhile(GS_STAGE_CLEARED);
        Frame(); // builds the next stage
        EXPECT_EQ(GameState, GS_PLAYING);
        EXPECT_EQ(score, 3000 + c.bonus);
        EXPECT_EQ(pendingScore, 0);
    }
    EXPECT_EQ(bestStageTime, 20000);
}

TEST_F(GameStateTest, StageClearedWithoutALaunchGivesNoBonusAndKeepsTheBestTime) {
    FrameMs = 100;
    StartGame();
    KillType(TYPE_BRICK); // an empty layout: cleared before any launch
    Frame();
    ASSERT_EQ(GameState, GS_STAGE_CLEARED);
    EXPECT_EQ(pendingScore, 0);
    EXPECT_EQ(bestStageTime, 10000000);
    FramesWhile(GS_STAGE_CLEARED);
    Frame();
    ASSERT_EQ(GameState, GS_PLAYING);
    EXPECT_EQ(score, 0);

    // The next stage played for 40 s still gets its 25 000.
    Frame(0, true);
    AdvanceOfflineClock(40000 - FrameMs);
    KillType(TYPE_BRICK);
    Frame();
    FramesWhile(GS_STAGE_CLEARED);
    EXPECT_EQ(score, 25000);
    EXPECT_EQ(bestStageTime, 40000);
}

// The tune, the jingles and the end-of-game part with a real sound device
// (the dummy driver) and the generated music and samples.
class GameSoundTest : public GameStateTest {
  protected:
    void SetUp() override {
        GameStateTest::SetUp();
        saved_ = SoundBank;
        SoundEnabled = true;
        SoundBank.music = LoadMusic(SoundBankFiles[0]);
        const int jingles[] = {SFX_WIN, SFX_STAGEUP, SFX_LOST, SFX_GAMEOVER};
        for (int sfx : jingles)
            SoundBank.effects[sfx] = LoadSoundEffect(SoundBankFiles[sfx]);
    }
    void TearDown() override {
        StopMusic();
        for (KSound*& sound : SoundBank.effects) {
            if (sound) sound->stopSample();
            delete sound;
            sound = nullptr;
        }
        delete SoundBank.music;
        SoundBank = saved_;
        SoundEnabled = false;
        GameStateTest::TearDown();
    }
    static bool Playing(int sfx) { return SoundBank.effects[sfx]->isPlaying(); }

    SoundBankTable saved_;
};

TEST_F(GameSoundTest, ClearedStageStopsTheTuneSoTheJingleIsHeardAlone) {
    StartGame();
    Frame(0, true);
    ASSERT_TRUE(IsMusicPlaying()) << "the launch starts a tune";
    KillType(TYPE_BRICK);
    Frame();
    ASSERT_EQ(GameState, GS_STAGE_CLEARED);
    EXPECT_FALSE(IsMusicPlaying());
    EXPECT_TRUE(Playing(SFX_WIN) || Playing(SFX_STAGEUP));
}

// ---------------------------------------------------------------------------
// The state machine's rules, one table per family
// ---------------------------------------------------------------------------

TEST_F(GameStateTest, ChangeGameStateLeavesTheMenuScreensAlone) {
    struct ChangeCase {
        int from, expect;
    };
    const ChangeCase cases[] = {{GS_MAIN_MENU, GS_MAIN_MENU},
                                {GS_SETUP, GS_SETUP},
                                {GS_HELP, GS_HELP},
                                {GS_PLAYING, GS_NEXT_STAGE},
                                {GS_EPISODE_SELECT, GS_NEXT_STAGE}};
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.from);
        GameState = c.from;
        ChangeGameState(GS_NEXT_STAGE);
        EXPECT_EQ(GameState, c.expect);
    }
    GameState = GS_MAIN_MENU;
}

TEST_F(GameStateTest, MenuScreensWaitForTheButtonAndLeaveOnEscapeOrRight) {
    struct MenuCase {
        const char* rule;
        void (*enter)();
        uint32_t keys;
        bool fire, right;
        int expect;
    };
    const MenuCase cases[] = {
        {"play chosen: waits while the button is held", [] { GameState = GS_PLAY_CHOSEN; }, 0, true,
         false, GS_PLAY_CHOSEN},
        {"play chosen: the boards open when it is let go", [] { GameState = GS_PLAY_CHOSEN; }, 0,
         false, false, GS_EPISODE_SELECT},
        {"episodes: Escape goes back", [] { EnterEpisodeSelect(); }, KW_ESCAPE, false, false,
         GS_BACK_TO_MENU},
        {"episodes: the right button goes back", [] { EnterEpisodeSelect(); }, 0, false, true,
         GS_BACK_TO_MENU},
        {"episode chosen: waits while the button is held", [] { GameState = GS_EPISODE_CHOSEN; }, 0,
         true, false, GS_EPISODE_CHOSEN},
        {"episode chosen: starts when it is let go", [] { GameState = GS_EPISODE_CHOSEN; }, 0,
         false, false, GS_PLAYING},
        {"setup: Escape goes back",
         [] {
             EnterMainMenu();
             EnterSetup();
             GameState = GS_SETUP;
         },
         KW_ESCAPE, false, false, GS_BACK_TO_MENU},
        {"main menu: Escape does nothing", [] { EnterMainMenu(); }, KW_ESCAPE, false, false,
         GS_MAIN_MENU},
    };
    for (const MenuCase& c : cases) {
        SCOPED_TRACE(c.rule);
        currentStage = 1;
        c.enter();
        SteerX = -300; // away from every box
        SteerY = -230;
        Frame(c.keys, c.fire, c.right);
        EXPECT_EQ(GameState, c.expect);
    }
    GameState = GS_MAIN_MENU;
}

TEST_F(GameStateTest, StartEpisodeResetsTheGameAndPlaysStageOrderOne) {
    UseSmallStage();
    // Record 5 alone has a brick at (0, 0); stage 1 must play it.
    for (int record = 0; record < STAGE_COUNT; record++)
        EpisodeText[STAGE_RECORD_SIZE * record + STAGE_GRID_OFFSET] = '0';
    EpisodeText[STAGE_RECORD_SIZE * 5 + STAGE_GRID_OFFSET] = '7';
    for (int i = 0; i < STAGE_COUNT; i++)
        StageOrder[i] = (i + 4) % STAGE_COUNT; // StageOrder[1] = 5
    score = 999;
    lives = 1;
    currentStage = 1;
    bestStageTime = 1234;
    stageTime = 500;
    stageClockRunning = true;
    ballSpeed = capsuleSpeed = 3.0f;
    cannonShip = flyingShip = ballLaunched = true;
    StartEpisode();
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(lives, 4);
    EXPECT_EQ(currentStage, 1);
    EXPECT_EQ(bestStageTime, 10000000);
    EXPECT_EQ(stageTime, 0);
    EXPECT_FALSE(stageClockRunning);
    EXPECT_FLOAT_EQ(ballSpeed, 1.5f);
    EXPECT_FLOAT_EQ(capsuleSpeed, 1.5f);
    EXPECT_FALSE(cannonShip || flyingShip || ballLaunched);
    EXPECT_EQ(CurrentCamera, 1);
    const int first = FindEntity(TYPE_BRICK, 1);
    ASSERT_NE(first, ENTITY_NONE);
    EXPECT_EQ(EntityTable[first].kind, 6u) << "the top-left brick of record StageOrder[1]";
    EXPECT_NEAR(EntityTable[first].position[0], -2.2727f, 1e-4f);
    LoadEpisodeFile("Orvi\\episode.pak");
}

TEST_F(GameSoundTest, LaunchStartsTheNextTuneInTurn) {
    struct TuneCase {
        int16_t counterBefore;
        int part;
    };
    const TuneCase cases[] = {{0, 1}, {1, 2}, {2, 3}, {3, 1}, {7, 2}};
    for (const TuneCase& c : cases) {
        SCOPED_TRACE(c.counterBefore);
        StartGame();
        TuneCounter = c.counterBefore;
        Frame(0, true);
        EXPECT_EQ(SoundBank.music->getModuleOrder(), MusicPartOrder(c.part));
        EXPECT_EQ(TuneCounter, c.counterBefore + 1);
        // A tune already playing is not restarted by the next life's launch.
        Frame(0, true);
        ballLaunched = false;
        Frame(0, true);
        EXPECT_EQ(TuneCounter, c.counterBefore + 1);
    }
}

TEST_F(GameSoundTest, EachEndHasItsJingle) {
    struct JingleCase {
        const char* rule;
        bool clearStage;
        int livesBefore;
        int sfx;
    };
    // The cleared-stage jingle follows the parity of the frame's first draw.
    const JingleCase cases[] = {
        {"stage cleared on an odd draw: win", true, 2, SFX_WIN},
        {"stage cleared on an even draw: stage up", true, 2, SFX_STAGEUP},
        {"ball lost: lost", false, 2, SFX_LOST},
        {"last ball lost: game over", false, 0, SFX_GAMEOVER},
    };
    FrameMs = 100;
    for (const JingleCase& c : cases) {
        SCOPED_TRACE(c.rule);
        StartGame();
        lives = c.livesBefore;
        KillType(c.clearStage ? (int)TYPE_BRICK : (int)MESH_BALL);
        unsigned seed = 1;
        for (;; seed++) {
            srand(seed);
            if ((rand() % 10 % 2 == 1) == (c.sfx == SFX_WIN)) break;
        }
        srand(seed);
        for (int sfx : {SFX_WIN, SFX_STAGEUP, SFX_LOST, SFX_GAMEOVER})
            SoundBank.effects[sfx]->stopSample();
        Frame();
        if (c.sfx == SFX_GAMEOVER) {
            FramesWhile(GS_LIFE_LOST);
        }
        // (The lost jingle may still be sounding when the game-over one starts.)
        for (int sfx : {SFX_WIN, SFX_STAGEUP, SFX_LOST, SFX_GAMEOVER})
            if (!(c.sfx == SFX_GAMEOVER && sfx == SFX_LOST)) {
                EXPECT_EQ(Playing(sfx), sfx == c.sfx) << sfx;
            }
    }
}

TEST_F(GameSoundTest, GameOverPlaysTheEndTune) {
    FrameMs = 100;
    StartGame();
    Frame(0, true);
    lives = 0;
    KillType(MESH_BALL);
    Frame();
    FramesWhile(GS_LIFE_LOST);
    ASSERT_EQ(GameState, GS_NAME_ENTRY);
    EXPECT_TRUE(IsMusicPlaying());
    EXPECT_EQ(SoundBank.music->getModuleOrder(), MusicPartOrder(MUSIC_PART_END));
}

} // namespace
