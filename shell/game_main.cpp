// Start-up in its fixed order, the frame loop with the FrameMs rule, the
// game window with its GL state, the projection, and the exit.
#include "shell/shell.h"

#include <SDL_opengl.h>

#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "audio/sound_bank.h"
#include "frontend/frontend.h"
#include "gameplay/entity.h"
#include "platform/platform.h"
#include "render/draw_list.h"
#include "render/render.h"
#include "shell/game_state.h"
#include "shell/pause.h"
#include "shell/steering.h"
#include "gameplay/gameplay.h"
#include "scores/scores.h"

int ScreenWidths[VIDEO_MODE_COUNT] = {400, 640, 800, 1152, 1280};
int ScreenHeights[VIDEO_MODE_COUNT] = {300, 480, 600, 864, 1024};
const int ColourDepths[DEPTH_COUNT] = {16, 32};

KWindow* GameWindow = nullptr;
int FrameStart = 0;
int FrameCount = 0;
int FrameMs = 20;
int FpsEstimate = 50;
bool GlReady = false;

// Process start on the monotonic clock: the game clock counts wall time
// (the C clock() on Linux counts CPU time).
static double StartSeconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + now.tv_nsec * 1e-9;
}
static const double ProcessStart = StartSeconds();

// Negative while the wall clock is in use.
static double OfflineClockMs = -1.0;

double GameClockMs() {
    if (OfflineClockMs >= 0.0) return OfflineClockMs;
    return (StartSeconds() - ProcessStart) * 1000.0;
}

void UseOfflineClock(double startMs) {
    OfflineClockMs = startMs < 0.0 ? 0.0 : startMs;
}

void AdvanceOfflineClock(double ms) {
    if (OfflineClockMs >= 0.0 && ms > 0.0) OfflineClockMs += ms;
}

void UseWallClock() {
    OfflineClockMs = -1.0;
}

int ScreenWidth() {
    return ScreenWidths[VideoModeIndex];
}
int ScreenHeight() {
    return ScreenHeights[VideoModeIndex];
}
int ScreenDepth() {
    return ColourDepths[DepthIndex];
}

void UpdateFrameTiming(double nowMs) {
    FrameCount += 1;
    const int avg = (int)((nowMs - FrameStart) / FrameCount);
    FrameMs = avg < MIN_FRAME_MS ? MIN_FRAME_MS : (avg > MAX_FRAME_MS ? MAX_FRAME_MS : avg);
    FpsEstimate = (int)(1000.0 / FrameMs);
    if (FrameCount == FRAME_WINDOW) {
        FrameCount = 0;
        FrameStart = (int)nowMs;
    }
}

void SetProjection(int width, int height) {
    if (height == 0) height = 1;
    ScreenWidths[VideoModeIndex] = width;
    ScreenHeights[VideoModeIndex] = height;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-FrustumHalfWidth, FrustumHalfWidth, -FrustumHalfHeight, FrustumHalfHeight,
              FrustumNear, FrustumFar);
    glMatrixMode(GL_MODELVIEW);
}

void CreateGameWindow(int width, int height, int depth, bool windowed) {
    // What this frame drew so far belongs to the window being replaced.
    FlushFrameRecord();
    ForgetPresentedFrame();
    GameWindow = createWindowObject(true, false);
    if (GameWindow == nullptr) FatalExit("could not allocate the game window");
    if (!GameWindow->createWindow(width, height, depth, windowed, "K3D")) {
        // Running on without a picture helps nobody: say so and stop.
        FatalExit("no display or no OpenGL context: cannot open the game window");
    }
    GameWindow->setMaxFrameRate(MAX_FRAME_RATE);
    GameWindow->setClearColor(0, 0, 0, 1);

    logTagged("SYSTEM", "GL_INIT");
    GlReady = true;
    glClearColor(0, 0, 0, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    SetProjection(width, height);
    ResyncFrameRecord();
}

void DestroyGameWindow() {
    if (GameWindow == nullptr) return;
    FlushFrameRecord();
    ForgetPresentedFrame();
    GameWindow->requestQuit();
    delete GameWindow;
    GameWindow = nullptr;
}

void ExitGame() {
    showSystemCursor();
    DestroyGameWindow();
    logTagged("SYSTEM", "Exit Game");
    std::exit(0);
}

void KeepLargeBlocksMapped() {
    // Pictures (decoded files and the driver's copies of them) come and go
    // with every episode start. Left to itself, the allocator raises its
    // threshold after the first such block is freed, and the next ones
    // land in the heap, where the holes they leave stay with the process.
    mallopt(M_MMAP_THRESHOLD, LARGE_BLOCK_BYTES);
}

void RunGame() {
    KeepLargeBlocksMapped();
    // The log's place depends on where the game is installed.
    InitExeDirectory();
    static GameLog log(logFilePath("log.txt"));
    MainLog = &log;
    GameState = GS_STARTUP;
    std::srand((unsigned)std::time(nullptr));

    // The pictures and meshes are read on a worker while the window opens.
    BeginPreloadingMeshTable();
    SoundEnabled = true;
    // The effects decode on a worker once the first frame is on the screen.
    BeginLoadingSoundBank();
    TuneCounter = (int16_t)(std::rand() % 3);
    PlayMusicPart(SoundBank.music, 0);

    LoadConfig();
    ApplyConfig();

    const int width = ScreenWidth(), height = ScreenHeight(), depth = ScreenDepth();
    logf(MainLog, "set screen %dx%d %dBits\n", width, height, depth);
    CreateGameWindow(width, height, depth, !FullScreen);

    InitCameras();
    ApplyCamera();
    LoadMeshTable();
    EndPreloadingMeshTable();
    BuildSineTable();
    EnterIntro();
    LoadScoreBlock();

    LoadEpisodeFile("Orvi\\episode.pak");

    InitGameInput();
    logTagged("SYSTEM", "DirectInput Initialized");

    ShowReceivingScoresMessage();
    FetchOnlineScores();

    PauseOnFocusLoss = true;
    logTagged("SYSTEM", "Entering animation loop");
    FrameStart = (int)GameClockMs();
    while (GameWindow != nullptr && !GameWindow->isQuitRequested()) {
        UpdateSteering();
        KeyWord = ReadKeyWord();
        UpdateFrameTiming(GameClockMs());
        GameWindow->resetView();
        SetProjection(ScreenWidth(), ScreenHeight());
        BeginFrameRecord();
        ApplyCamera();
        RunGameFrame();
        // The state handlers may have re-created the window (setup screen).
        if (GameWindow == nullptr) break;
        // A frame equal to the one on the screen is not drawn again.
        if (EndFrameRecord(GameWindow->needsFlip()))
            GameWindow->flipBackBuffer(false, true);
        else
            GameWindow->holdFrame();
        ContinueLoadingSoundBank();
    }
    ExitGame();
}
