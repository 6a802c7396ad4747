// The gameplay rule tests' common ground: box meshes of known size in place
// of the generated ones (so a rule is measured against numbers the test
// states, whatever the art looks like), the settings at fixed values, a
// seeded generator, and helpers that place exactly the objects a rule needs.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "audio/sound_bank.h"
#include "gameplay/gameplay.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"

namespace gameplaytest {

// World half sizes at scale 1 (the mesh is 80 times larger).
const float BALL_HALF = 0.5f;   // 0.05 at the ball's scale 0.1
const float SHIP_HALF_X = 0.5f; // the ship's half width at scale 1
const float SHIP_HALF_Y = 0.1f;
const float BRICK_HALF_X = 0.1f;
const float BRICK_HALF_Y = 0.05f;
const float CAPSULE_HALF = 0.1f;
const float MISSILE_HALF = 0.05f;

// A mesh of two triangles covering -halfX..halfX by -halfY..halfY.
inline void SetBoxMesh(int id, float halfX, float halfY) {
    Mesh& mesh = MeshTable[id];
    const float x = halfX * 80.0f, y = halfY * 80.0f;
    mesh.faceCount = 2;
    for (int f = 0; f < 2; ++f) {
        MeshFace& face = mesh.faces[f];
        std::memset(&face, 0, sizeof face);
        face.vertex[0] = {-x, -y, 0.0f, 0.0f, 0.0f};
        face.vertex[1] = {f == 0 ? x : -x, f == 0 ? -y : y, 0.0f, 1.0f, 0.0f};
        face.vertex[2] = {x, y, 0.0f, 1.0f, 1.0f};
        mesh.materials[f + 1] = 0;
    }
}

class GameplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        VideoModeIndex = 1; // 640 x 480
        FrameMs = 20;       // k = 4
        BonusChanceDivisor = 20;
        UseBumper = 0;
        ViewAngle = 0;
        SoundEnabled = false;
        srand(12345);
        BuildSineTable();
        ClearEntities();
        SetBoxMesh(MESH_BALL, BALL_HALF, BALL_HALF);
        SetBoxMesh(MESH_SHIP, SHIP_HALF_X, SHIP_HALF_Y);
        SetBoxMesh(MESH_SHIP_CANNONS, SHIP_HALF_X, SHIP_HALF_Y);
        SetBoxMesh(MESH_MISSILE, MISSILE_HALF, MISSILE_HALF);
        SetBoxMesh(MESH_BUMPER, 0.1f, 0.1f);
        SetBoxMesh(MESH_PLAYGROUND, 0.5f, 0.5f);
        for (int m = MESH_BRICK_FIRST; m <= MESH_BRICK_LAST; ++m)
            SetBoxMesh(m, BRICK_HALF_X, BRICK_HALF_Y);
        for (int m = MESH_BONUS_FIRST; m <= MESH_BONUS_LAST; ++m)
            SetBoxMesh(m, CAPSULE_HALF, CAPSULE_HALF);
        score = pendingScore = combo = 0;
        lives = START_LIVES;
        currentStage = 1;
        cannonShip = flyingShip = false;
        missileCooldown = 0;
        ballLaunched = true;
        ballSpeed = capsuleSpeed = 1.5f;
        bricksSettling = false;
        SteerX = SteerY = 0;
        GameState = GS_PLAYING;
    }
    void TearDown() override { ClearEntities(); }

  public:
    // Spawns and returns the new slot (SpawnEntity takes the first free one).
    static int Spawn(int mesh, float x, float y, float vx = 0.0f, float vy = 0.0f,
                     float scale = 1.0f) {
        int slot = 1;
        while (slot < MAX_ENTITIES && EntityTable[slot].inUse == 1)
            slot++;
        EntityTransform t;
        EntityLook look;
        DefaultTransform(&t);
        t.position[0] = x;
        t.position[1] = y;
        t.velocity[0] = vx;
        t.velocity[1] = vy;
        t.scale[0] = t.scale[1] = t.scale[2] = scale;
        SpawnEntity(mesh, t, *DefaultLook(&look));
        return slot < MAX_ENTITIES && EntityTable[slot].inUse == 1 ? slot : ENTITY_NONE;
    }
    static int Ball(float x, float y, float vx, float vy) {
        return Spawn(MESH_BALL, x, y, vx, vy, 0.1f);
    }
    // The ship's top edge is at y + SHIP_HALF_Y.
    static int Ship(float x = 0.0f, float y = -2.6f) { return Spawn(MESH_SHIP, x, y); }
    static int Brick(float x, float y, int code = 1) { return Spawn(MESH_BRICK_FIRST + code - 1, x, y); }
    static int Capsule(int kind, float x, float y) { return Spawn(MESH_BONUS_FIRST + kind, x, y); }
    static int Count(int type) {
        int n = 0;
        while (FindEntity(type, n + 1) != ENTITY_NONE)
            n++;
        return n;
    }
    static bool Dissolving(int slot) {
        return EntityTable[slot].inUse && EntityTable[slot].life <= 0.99f;
    }
};

} // namespace gameplaytest
