// The game logic of one play frame with a full stage and 31 balls in
// flight: the collision pass, the ship and capsules, the brick settle and
// the shared motion of every object. No drawing.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "gameplay/gameplay.h"
#include "shell/shell.h"
#include "shell/steering.h"

namespace {

// A box mesh of half side `half` mesh units (80 per world unit).
void MakeBox(int mesh, float half) {
    Mesh& m = MeshTable[mesh];
    m.faceCount = 2;
    const MeshVertex a = {-half, -half, 0, 0, 0}, b = {half, -half, 0, 1, 0},
                     c = {half, half, 0, 1, 1}, d = {-half, half, 0, 0, 1};
    m.faces[0] = MeshFace{};
    m.faces[1] = MeshFace{};
    m.faces[0].vertex[0] = a;
    m.faces[0].vertex[1] = b;
    m.faces[0].vertex[2] = c;
    m.faces[1].vertex[0] = a;
    m.faces[1].vertex[1] = c;
    m.faces[1].vertex[2] = d;
}

void BuildFullStage() {
    for (int mesh = MESH_BRICK_FIRST; mesh <= MESH_BRICK_LAST; mesh++)
        MakeBox(mesh, 12.0f);
    MakeBox(MESH_SHIP, 40.0f);
    MakeBox(MESH_BALL, 60.0f);
    for (int mesh = MESH_BONUS_FIRST; mesh <= MESH_BONUS_LAST; mesh++)
        MakeBox(mesh, 10.0f);
    // Thirteen full rows: 208 bricks, which leaves room in the table for
    // the ship, the playground and the 31 balls.
    for (int i = 0; i < EPISODE_TEXT_SIZE; i++)
        EpisodeText[i] = '0';
    for (int record = 0; record < STAGE_COUNT; record++)
        for (int cell = 0; cell < 13 * STAGE_GRID; cell++)
            EpisodeText[STAGE_RECORD_SIZE * record + STAGE_GRID_OFFSET + cell] = '1' + cell % 12;
    ShuffleStageOrder();
    currentStage = 1;
    UseBumper = 0;
    BuildStage();
    // 31 balls spread over the field (the stage's one and 30 more).
    EntityTransform t;
    EntityLook look;
    for (int i = 0; i < 30; i++) {
        DefaultTransform(&t);
        t.position[0] = -2.0f + 0.13f * i;
        t.position[1] = -1.0f + 0.05f * i;
        t.scale[0] = t.scale[1] = t.scale[2] = 0.1f;
        t.velocity[0] = (i % 2 ? 1 : -1) * 0.0075f;
        t.velocity[1] = 0.0075f;
        SpawnEntity(MESH_BALL, t, *DefaultLook(&look));
    }
    ballLaunched = true;
}

void BM_PlayFrameLogic(benchmark::State& state) {
    VideoModeIndex = 1;
    FrameMs = 16;
    BonusChanceDivisor = 20;
    srand(7);
    BuildFullStage();
    int frames = 0;
    for (auto _ : state) {
        UpdateBalls();
        UpdateShip();
        SettleBricks();
        for (int slot = 1; slot < MAX_ENTITIES; slot++)
            if (EntityTable[slot].inUse == 1) UpdateEntity(slot);
        // Keep the stage full: rebuild before it thins out much.
        if (++frames == 200) {
            state.PauseTiming();
            BuildFullStage();
            frames = 0;
            state.ResumeTiming();
        }
    }
    ClearEntities();
}
BENCHMARK(BM_PlayFrameLogic);

} // namespace
