// Whole frames on the main thread in a real GL window (run under Xvfb): the
// play frame at the stage with the most bricks and 31 balls, and the main
// menu at rest. Each iteration records the frame's drawing, runs the
// frame's logic and sends the drawing to GL (glFlush, no swap): what the
// main thread pays per frame. Heap allocations inside the timed loop are
// counted by the operator new below and reported per frame.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "frontend/frontend.h"
#include "gameplay/entity.h"
#include "gameplay/gameplay.h"
#include "render/draw_list.h"
#include "render/render.h"
#include "render/text.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"

namespace {
std::atomic<long> Allocations{0};
}

// Every allocation of the bench binary passes here. The frees below are of
// malloc'd memory; GCC only sees them beside a replaced operator new.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    void* p = std::malloc(size ? size : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

SDL_Window* BenchWindow = nullptr;

// The game's window state at 640 x 480, once per process.
bool OpenWindow() {
    if (BenchWindow != nullptr) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    BenchWindow = SDL_CreateWindow("frame bench", 0, 0, 640, 480, SDL_WINDOW_OPENGL);
    if (BenchWindow == nullptr) return false;
    SDL_GLContext context = SDL_GL_CreateContext(BenchWindow);
    if (context == nullptr) return false;
    SDL_GL_MakeCurrent(BenchWindow, context);
    VideoModeIndex = 1;
    glClearColor(0, 0, 0, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_FLAT);
    SetProjection(640, 480);
    InitCameras();
    return true;
}

// The real meshes and layouts (another bench may have put boxes in).
void LoadGameData() {
    LoadMeshTable();
    LoadEpisodeFile("Orvi\\episode.pak");
}

// The layout with the most bricks first in the stage order.
void BuildHeaviestStage() {
    int best = 0, bestCount = -1;
    for (int record = 0; record < STAGE_COUNT; ++record) {
        int count = 0;
        for (int row = 0; row < STAGE_GRID; ++row)
            for (int col = 0; col < STAGE_GRID; ++col)
                if (StageCell(record, row, col) != 0) ++count;
        if (count > bestCount) {
            best = record;
            bestCount = count;
        }
    }
    currentStage = 1;
    StageOrder[currentStage % STAGE_COUNT] = best;
    UseBumper = 1;
    BuildStage();
    // 30 balls more, spread over the field.
    EntityTransform t;
    EntityLook look;
    const int ball = FindEntity(MESH_BALL, 1);
    for (int i = 0; i < 30; ++i) {
        DefaultTransform(&t);
        if (ball != ENTITY_NONE)
            for (int a = 0; a < 3; ++a)
                t.scale[a] = EntityTable[ball].scale[a];
        t.position[0] = -2.0f + 0.13f * i;
        t.position[1] = -1.0f + 0.05f * i;
        t.velocity[0] = (i % 2 ? 1 : -1) * 0.0075f;
        t.velocity[1] = 0.0075f;
        SpawnEntity(MESH_BALL, t, *DefaultLook(&look));
    }
    ballLaunched = true;
    HudVisible = 1;
    GameState = GS_PLAYING;
    CurrentCamera = CAMERA_PLAY;
}

int LiveBricks() {
    int n = 0;
    for (int slot = 1; slot < MAX_ENTITIES; ++slot)
        if (EntityTable[slot].inUse == 1 && EntityTable[slot].type == TYPE_BRICK) ++n;
    return n;
}

// One play frame as the loop runs it, minus the swap.
void PlayFrame() {
    BeginFrameRecord();
    ApplyCamera();
    HoldBallOnShip();
    DrawScene();
    DrawTextOverlay();
    DrawCursor();
    RollScore();
    UpdateBalls();
    UpdateShip();
    SettleBricks();
    EndFrameRecord(true);
    glFlush();
}

void BM_PlayFrameWithGl(benchmark::State& state) {
    if (!OpenWindow()) {
        state.SkipWithError("no GL window (run under xvfb-run)");
        return;
    }
    FrameMs = 12;
    srand(7);
    LoadGameData();
    BuildHeaviestStage();
    PlayFrame(); // the first frame sizes whatever it sizes
    long frames = 0, allocations = 0, triangles = 0, draws = 0;
    for (auto _ : state) {
        const long before = Allocations.load(std::memory_order_relaxed);
        PlayFrame();
        allocations += Allocations.load(std::memory_order_relaxed) - before;
        triangles += FrameVertexCount() / 3;
        draws += FrameDrawCount();
        // Keep the stage full: rebuild before it thins out much.
        if (++frames % 200 == 0) {
            state.PauseTiming();
            BuildHeaviestStage();
            state.ResumeTiming();
        }
    }
    state.counters["allocs_per_frame"] = (double)allocations / (double)state.iterations();
    state.counters["triangles_per_frame"] = (double)triangles / (double)state.iterations();
    state.counters["draws_per_frame"] = (double)draws / (double)state.iterations();
    state.counters["bricks"] = LiveBricks();
    ClearEntities();
}
BENCHMARK(BM_PlayFrameWithGl)->Unit(benchmark::kMillisecond);

// What llvmpipe charges the calling thread for the same number of
// triangles in one draw with nothing else: the floor of the play frame.
void BM_TrianglesOnlyFloor(benchmark::State& state) {
    if (!OpenWindow()) {
        state.SkipWithError("no GL window (run under xvfb-run)");
        return;
    }
    const int count = (int)state.range(0);
    static FrameVertex corners[MAX_FRAME_VERTICES];
    const int columns = 64;
    for (int i = 0; i < count && 3 * i + 2 < MAX_FRAME_VERTICES; ++i) {
        const float x = -2.0f + 4.0f * (float)(i % columns) / columns;
        const float y = -1.5f + 3.0f * (float)((i / columns) % columns) / columns;
        const float d = 4.0f / columns;
        const float xs[3] = {x, x + d, x}, ys[3] = {y, y, y + d};
        for (int c = 0; c < 3; ++c) {
            FrameVertex& v = corners[3 * i + c];
            v = FrameVertex{0.5f, 0.5f, 1, 1, 1, 1, xs[c], ys[c], -5.0f};
        }
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(FrameVertex), &corners[0].u);
    glColorPointer(4, GL_FLOAT, sizeof(FrameVertex), &corners[0].r);
    glVertexPointer(3, GL_FLOAT, sizeof(FrameVertex), &corners[0].x);
    for (auto _ : state) {
        glClear(GL_DEPTH_BUFFER_BIT);
        glDrawArrays(GL_TRIANGLES, 0, 3 * count);
        glFlush();
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}
BENCHMARK(BM_TrianglesOnlyFloor)->Arg(4000)->Arg(9300)->Unit(benchmark::kMillisecond);

void MenuFrame(bool present) {
    BeginFrameRecord();
    ApplyCamera();
    DrawMenuBackground();
    DrawScene();
    DrawTextOverlay();
    DrawCursor();
    UpdateMenuPointer();
    UpdateMainMenu();
    if (EndFrameRecord(present)) glFlush();
}

// The main menu at rest, drawn every frame (present) or skipped once equal
// to the frame on the screen.
void BM_MainMenuFrame(benchmark::State& state) {
    if (!OpenWindow()) {
        state.SkipWithError("no GL window (run under xvfb-run)");
        return;
    }
    const bool present = state.range(0) != 0;
    FrameMs = 12;
    LoadGameData();
    EnterMainMenu();
    SteerX = 0;
    SteerY = 200; // the pointer over no box
    for (int i = 0; i < 200; ++i)
        MenuFrame(true); // the boxes settle
    long allocations = 0;
    for (auto _ : state) {
        const long before = Allocations.load(std::memory_order_relaxed);
        MenuFrame(present);
        allocations += Allocations.load(std::memory_order_relaxed) - before;
    }
    state.counters["allocs_per_frame"] = (double)allocations / (double)state.iterations();
    state.counters["draws_per_frame"] = FrameDrawCount();
    ClearEntities();
}
BENCHMARK(BM_MainMenuFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace
