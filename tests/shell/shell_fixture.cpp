#include "tests/shell/shell_fixture.h"

#include <sys/stat.h>

#include <cstdlib>

#include "audio/sound_bank.h"
#include "frontend/frontend.h"
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "shell/game_state.h"
#include "shell/steering.h"

namespace shelltest {

GameDirectory::GameDirectory() {
    mkdir(dir_.file("Orvi").c_str(), 0755);
    SetExeDirectory(dir_.path().c_str());
}

GameDirectory::~GameDirectory() {
    SetExeDirectory(k3dtest::GameDir());
}

KWindow* GameWindowTest::window_ = nullptr;

void GameWindowTest::OpenGameWindow(const char* title) {
    VideoModeIndex = 1; // 640 x 480
    FullScreen = false;
    window_ = createWindowObject(true, false);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(window_->createWindow(640, 480, 32, true, title));
    GameWindow = window_;
    initInput(window_);
    SetProjection(640, 480);
    InitCameras();
    LoadMeshTable();
    BuildSineTable();
    LoadEpisodeFile("Orvi\\episode.pak");
}

void GameWindowTest::TearDownTestSuite() {
    ClearEntities();
    GameWindow = nullptr;
    delete window_;
    window_ = nullptr;
}

void GameWindowTest::ResetPlay(unsigned seed) {
    srand(seed);
    SoundEnabled = false; // no device in the tests; the bank is not loaded
    FrameMs = 16;
    BonusChanceDivisor = 20;
    UseBumper = 0;
    ViewAngle = 0;
    KeyWord = 0;
    FireHeld = RightHeld = false;
    HeldTarget = -1;
}

void GameWindowTest::RunFrame(uint32_t keys, bool fire, bool right) {
    KeyWord = keys;
    FireHeld = fire;
    RightHeld = right;
    window_->resetView();
    SetProjection(640, 480);
    ApplyCamera();
    RunGameFrame();
}

void GameWindowTest::Flip() {
    window_->flipBackBuffer(false, true);
}

void GameWindowTest::StartGame() {
    currentStage = 1;
    StartEpisode();
    ASSERT_EQ(GameState, GS_PLAYING);
}

void GameWindowTest::KillType(int type) {
    for (int slot = FindEntity(type, 1); slot != ENTITY_NONE; slot = FindEntity(type, 1))
        KillEntity(slot);
}

} // namespace shelltest
