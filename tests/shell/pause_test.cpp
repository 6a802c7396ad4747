// The pause, driven through the real dispatcher and the window's event pump:
// P and a lost focus stop play, nothing moves or counts while it lasts, P
// lets play go on, Escape still leaves, and the music holds its place.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/audio.h"
#include "audio/sound_bank.h"
#include "frontend/frontend.h"
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "shell/game_state.h"
#include "shell/pause.h"
#include "shell/shell.h"
#include "shell/steering.h"
#include "tests/shell/shell_fixture.h"
#include "tools/replay/replay_digest.h"

namespace {

// Focus events this test pushes carry this mark; the X server's own (every
// new window of a test running beside this one takes the focus) are dropped.
const Sint32 PushedFocusMark = 0x5A5A;

int DropOtherFocusEvents(void*, SDL_Event* event) {
    if (event->type != SDL_WINDOWEVENT) return 1;
    switch (event->window.event) {
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_MINIMIZED:
        return event->window.data1 == PushedFocusMark;
    default:
        return 1;
    }
}

class PauseTest : public shelltest::GameWindowTest {
  protected:
    static void SetUpTestSuite() {
        OpenGameWindow("pause");
        SDL_SetEventFilter(DropOtherFocusEvents, nullptr);
    }
    void SetUp() override {
        ResetPlay(99);
        SetPaused(false, 0.0);
        PauseOnFocusLoss = true; // as the game's loop has it
        window_->processEvents();
        takeFocusLoss(); // nothing left over from window creation
    }
    void TearDown() override {
        PauseOnFocusLoss = false;
        SetPaused(false, 0.0);
        GameState = GS_MAIN_MENU;
    }

    // One frame as the main loop runs it, then the flip (which pumps events).
    void Frame(uint32_t keys = 0, bool fire = false) {
        DrawFrame(keys, fire);
        Flip();
    }
    static void DrawFrame(uint32_t keys = 0, bool fire = false) { RunFrame(keys, fire, false); }

    // A tap of P as the event pump delivers it: latched for the next frame.
    void TapP() {
        for (bool down : {true, false}) {
            SDL_Event e{};
            e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
            e.key.keysym.scancode = SDL_SCANCODE_P;
            e.key.keysym.sym = SDLK_p;
            e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
            SDL_PushEvent(&e);
        }
        window_->processEvents();
    }
    void LoseFocus() {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
        e.window.data1 = PushedFocusMark;
        e.window.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(window_->getWindowHandle()));
        SDL_PushEvent(&e);
        window_->processEvents();
    }

    // A game in full swing: the ball launched and flying, a brick dissolving,
    // a capsule falling, a score still rolling.
    static void StartBusyGame() {
        StartGame();
        int brick = FindEntity(TYPE_BRICK, 1);
        ASSERT_NE(brick, ENTITY_NONE);
        HitBrick(brick);
        EntityTransform t;
        EntityLook look;
        DefaultTransform(&t);
        t.position[1] = 1.0f;
        t.velocity[1] = -0.01f;
        t.spin[0] = 1.5f;
        SpawnEntity(MESH_BONUS_FIRST, t, *DefaultLook(&look));
        pendingScore = 850;
    }

    // Near-white pixels in the band across the middle of the last frame.
    static int WhitePixelsInTheMiddle() {
        std::vector<unsigned char> rgb(640 * 80 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 200, 640, 80, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        int count = 0;
        for (size_t i = 0; i < rgb.size(); i += 3)
            if (rgb[i] > 240 && rgb[i + 1] > 240 && rgb[i + 2] > 240) count++;
        return count;
    }
};

TEST_F(PauseTest, WhilePausedNothingMovesAndNothingCounts) {
    StartBusyGame();
    Frame(0, true); // launch: the clock starts
    for (int i = 0; i < 5; i++)
        Frame();
    ASSERT_TRUE(ballLaunched);
    ASSERT_TRUE(stageClockRunning);

    TapP();
    Frame();
    ASSERT_TRUE(Paused);
    // The replays' digest: the state, the counters and every object.
    const std::string before = GameDigest();
    const float ballY = EntityTable[FindEntity(MESH_BALL, 1)].position[1];
    const int32_t pending = pendingScore;
    for (int i = 0; i < 150; i++)
        Frame(0, i % 2 == 0); // fire does not launch, shoot or count
    EXPECT_EQ(GameDigest(), before);
    EXPECT_TRUE(Paused);

    TapP();
    Frame();
    EXPECT_FALSE(Paused);
    Frame();
    EXPECT_NE(EntityTable[FindEntity(MESH_BALL, 1)].position[1], ballY) << "play goes on after P";
    EXPECT_NE(pendingScore, pending) << "the score rolls again";
}

TEST_F(PauseTest, PausedIsShownInTheMiddleOfTheWindow) {
    StartBusyGame();
    Frame();
    DrawFrame();
    const int playing = WhitePixelsInTheMiddle();
    window_->flipBackBuffer(false, true);
    TapP();
    DrawFrame();
    ASSERT_TRUE(Paused);
    const int paused = WhitePixelsInTheMiddle();
    window_->flipBackBuffer(false, true);
    // Six letters of 32 pixels: hundreds of white pixels the field lacks.
    EXPECT_GT(paused, playing + 300) << "playing " << playing << ", paused " << paused;
}

TEST_F(PauseTest, LosingTheFocusPausesPlayButNotTheMenus) {
    StartBusyGame();
    Frame(0, true);
    LoseFocus();
    Frame();
    EXPECT_TRUE(Paused);
    const std::string before = GameDigest();
    for (int i = 0; i < 30; i++)
        Frame();
    EXPECT_EQ(GameDigest(), before);
    TapP();
    Frame();
    EXPECT_FALSE(Paused);

    // A focus lost in the menus is forgotten: the next game starts running.
    GameState = GS_MAIN_MENU;
    EnterMainMenu();
    LoseFocus();
    Frame();
    EXPECT_FALSE(Paused);
    StartBusyGame();
    Frame();
    EXPECT_FALSE(Paused);
}

TEST_F(PauseTest, EscapeStillLeavesAPausedGameForTheMenu) {
    StartBusyGame();
    TapP();
    Frame();
    ASSERT_TRUE(Paused);
    Frame(KW_ESCAPE);
    EXPECT_FALSE(Paused);
    EXPECT_EQ(GameState, GS_BACK_TO_MENU);
    Frame();
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    // P means nothing in the menus.
    TapP();
    Frame();
    EXPECT_FALSE(Paused);
}

TEST_F(PauseTest, APausedLostBallCostsNoLifeUntilPlayGoesOn) {
    StartBusyGame();
    lives = 2;
    TapP();
    Frame();
    ASSERT_TRUE(Paused);
    const int ball = FindEntity(MESH_BALL, 1);
    ASSERT_NE(ball, ENTITY_NONE);
    KillEntity(ball);
    for (int i = 0; i < 10; i++)
        Frame();
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_EQ(lives, 2);
}

// The paused time counts nowhere: neither in the stage clock (the time
// bonus) nor in the wait of a held stage message.
TEST_F(PauseTest, PausedTimeIsLeftOutOfTheStageClockAndTheHolds) {
    struct Row {
        const char* rule;
        int state;
        bool clockRunning;
        int heldTarget;
        double pauseAt, resumeAt;
        int32_t startShift;
        double holdShift;
    } rows[] = {
        {"a minute's pause in play moves the stage start a minute on", GS_PLAYING, true, -1, 1000.0,
         61000.0, 60000, 0.0},
        {"a stopped clock is not moved", GS_PLAYING, false, -1, 1000.0, 61000.0, 0, 0.0},
        {"a held stage message waits out the pause", GS_STAGE_CLEARED, true, GS_NEXT_STAGE, 5000.0,
         7500.0, 2500, 2500.0},
        {"a held lost ball waits out the pause", GS_LIFE_LOST, true, GS_RESPAWN, 200.0, 1200.0,
         1000, 1000.0},
        {"a clock running backwards moves nothing", GS_PLAYING, true, -1, 9000.0, 8000.0, 0, 0.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        GameState = row.state;
        stageClockRunning = row.clockRunning;
        stageStart = 400;
        HeldTarget = row.heldTarget;
        HeldUntilMs = 3000.0;
        ASSERT_TRUE(CanPause(row.state));
        SetPaused(true, row.pauseAt);
        EXPECT_EQ(stageStart, 400) << "pausing moves nothing yet";
        SetPaused(false, row.resumeAt);
        EXPECT_EQ(stageStart, 400 + row.startShift);
        EXPECT_EQ(HeldUntilMs, 3000.0 + row.holdShift);
    }
    for (int state : {GS_INTRO, GS_MAIN_MENU, GS_NEXT_STAGE, GS_NAME_ENTRY, GS_RESPAWN})
        EXPECT_FALSE(CanPause(state)) << "state " << state;
}

// The music through the sound layer: a pause stops the stream's buffer
// where it is, P starts it again from there, and music that was not
// playing is not started by the end of a pause.
TEST_F(PauseTest, MusicHoldsItsPlaceWhilePaused) {
    if (KSoundDevice::device == nullptr) useSoundDevice(KAudioDevice::createOffline(44100));
    ASSERT_NE(KSoundDevice::device, nullptr);
    KSound music;
    ASSERT_TRUE(music.loadModule(pathJoin("Music\\quon.xm")));
    const SoundBankTable saved = SoundBank;
    SoundBank = SoundBankTable{};
    SoundBank.music = &music;
    SoundEnabled = true;

    auto streamPlaying = [&]() {
        uint32_t status = 0;
        EXPECT_EQ(music.getVoice(0)->getStatus(&status), KSND_OK);
        return (status & KSND_STATUS_PLAYING) != 0;
    };
    auto position = [&]() {
        uint32_t play = 0;
        music.getVoice(0)->getCurrentPosition(&play, nullptr);
        return play;
    };
    std::vector<int16_t> out(2 * 2048);
    const bool offline = !KSoundDevice::device->hasOutput();

    StartBusyGame(); // stops the menu music
    EXPECT_FALSE(IsMusicPlaying());
    TapP();
    Frame();
    ASSERT_TRUE(Paused);
    Frame(); // P let go
    TapP();
    Frame();
    EXPECT_FALSE(Paused);
    EXPECT_FALSE(IsMusicPlaying()) << "a pause starts no music";

    Frame(0, true); // the launch starts a tune
    ASSERT_TRUE(IsMusicPlaying());
    TapP();
    Frame();
    ASSERT_TRUE(Paused);
    EXPECT_FALSE(streamPlaying());
    EXPECT_FALSE(IsMusicPlaying());
    const uint32_t held = position();
    if (offline) KSoundDevice::device->mix(out.data(), 2048);
    EXPECT_EQ(position(), held) << "the stream stands still";

    Frame();
    TapP();
    Frame();
    EXPECT_FALSE(Paused);
    EXPECT_TRUE(streamPlaying());
    EXPECT_TRUE(IsMusicPlaying());
    if (offline) {
        KSoundDevice::device->mix(out.data(), 2048);
        EXPECT_NE(position(), held) << "and goes on from where it stood";
    }

    StopMusic();
    SoundBank = saved;
    SoundEnabled = false;
}

} // namespace
