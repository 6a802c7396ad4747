// The object table: slots and the draw list, spawning from a mesh, searches,
// boxes, contact sides and dissolves (the per-frame motion of every object
// is pinned by the recorded replays, whose digests hash the whole table).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "gameplay/entity.h"
#include "gameplay/gameplay.h"
#include "shell/shell.h"

namespace {

const int MESH_A = 50; // slots the game never loads
const int MESH_B = 51;

void SetTriangleMesh(int id, float x0, float y0, float x1, float y1, int faces, int texture) {
    Mesh& mesh = MeshTable[id];
    mesh.faceCount = faces;
    for (int f = 0; f < faces; ++f) {
        MeshFace& face = mesh.faces[f];
        std::memset(&face, 0, sizeof(face));
        face.vertex[0] = {x0, y0, 8.0f, 0.0f, 0.0f};
        face.vertex[1] = {x1, y0, 16.0f, 1.0f, 0.0f};
        face.vertex[2] = {x1, y1, 24.0f, 1.0f, 1.0f};
        mesh.materials[f + 1] = texture + f;
    }
}

class EntityTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        VideoModeIndex = 1;
        FrameMs = 20; // k = 4
        ClearEntities();
        SetTriangleMesh(MESH_A, -40.0f, -40.0f, 40.0f, 40.0f, 2, 5);
        SetTriangleMesh(MESH_B, 8.0f, 8.0f, 16.0f, 24.0f, 1, 7);
        const int shared[] = {MESH_SHIP,
                              MESH_MISSILE,
                              MESH_BRICK_FIRST,
                              MESH_BRICK_FIRST + 1,
                              MESH_BRICK_FIRST + 2,
                              MESH_BONUS_FIRST};
        for (int id : shared)
            SetTriangleMesh(id, -40.0f, -40.0f, 40.0f, 40.0f, 1, 3);
    }
    void TearDown() override { ClearEntities(); }

    int Spawn(int mesh, float x = 0.0f, float y = 0.0f) {
        EntityTransform t;
        EntityLook look;
        DefaultTransform(&t);
        DefaultLook(&look);
        t.position[0] = x;
        t.position[1] = y;
        SpawnEntity(mesh, t, look);
        return LastSpawned();
    }
    static int LastSpawned() {
        for (int pos = MAX_ENTITIES - 1; pos >= 0; --pos) {
            if (EntityDrawList[pos] != DRAW_LIST_EMPTY) return EntityDrawList[pos];
        }
        return ENTITY_NONE;
    }
};

} // namespace

TEST_F(EntityTableTest, AKillRelistsFromPositionZeroInSlotOrder) {
    for (int i = 0; i < 4; ++i)
        Spawn(MESH_A);
    KillEntity(2);
    Spawn(MESH_B); // reuses slot 2, listed at the end
    EXPECT_EQ(EntityDrawList[0], 1);
    EXPECT_EQ(EntityDrawList[1], 3);
    EXPECT_EQ(EntityDrawList[2], 4);
    EXPECT_EQ(EntityDrawList[3], 2);
    KillEntity(4);
    const int expected[] = {1, 2, 3};
    for (int pos = 0; pos < 3; ++pos)
        EXPECT_EQ(EntityDrawList[pos], expected[pos]);
    EXPECT_EQ(EntityDrawList[3], DRAW_LIST_EMPTY);
    EXPECT_EQ(liveEntityCount, 3);
    EXPECT_EQ(CountLiveEntities(), 3);
    EXPECT_EQ(EntityTable[4].faces, nullptr);
    // None and free slots are ignored.
    KillEntity(ENTITY_NONE);
    KillEntity(4);
    KillEntity(-3);
    KillEntity(1000);
    EXPECT_EQ(CountLiveEntities(), 3);
}

TEST_F(EntityTableTest, AFullTableAndBadMeshesChangeNothing) {
    for (int i = 1; i < MAX_ENTITIES; ++i)
        ASSERT_EQ(Spawn(MESH_B), i);
    EXPECT_EQ(liveEntityCount, 254);
    Spawn(MESH_A, 1.0f, 1.0f);
    EXPECT_EQ(CountLiveEntities(), 254);
    EXPECT_EQ(FindEntity(MESH_A, 1), ENTITY_NONE);
    ClearEntities();
    EntityTransform t;
    EntityLook look;
    SpawnEntity(-1, *DefaultTransform(&t), *DefaultLook(&look));
    SpawnEntity(MAX_MESHES, t, look);
    EXPECT_EQ(CountLiveEntities(), 0);
}

TEST_F(EntityTableTest, SpawnCopiesFacesScaledWithTheLook) {
    EntityTransform t;
    EntityLook look;
    DefaultTransform(&t);
    DefaultLook(&look);
    look.flags[1] = 1;
    look.flags[2] = 9;
    look.flags[3] = 1;
    look.tint[1] = 0.25f;
    look.additive = 1;
    look.life = 0.5f;
    look.kind = 4;
    t.spin[2] = 3.0f;
    SpawnEntity(MESH_A, t, look);
    const Entity& e = EntityTable[1];
    ASSERT_EQ(e.faceCount, 2);
    EXPECT_EQ(e.type, static_cast<uint32_t>(MESH_A));
    EXPECT_EQ(e.kind, 4u);
    EXPECT_FLOAT_EQ(e.life, 0.5f);
    EXPECT_FLOAT_EQ(e.spin[2], 3.0f);
    EXPECT_FLOAT_EQ(e.faces[0].vertex[0].x, -0.5f);
    EXPECT_FLOAT_EQ(e.faces[0].vertex[2].z, 0.3f);
    EXPECT_FLOAT_EQ(e.faces[0].vertex[2].u, 1.0f);
    EXPECT_EQ(e.faces[0].texture, 5) << "the mesh's own texture of face 0: entry 1";
    EXPECT_EQ(e.faces[1].texture, 6);
    EXPECT_EQ(e.faces[1].texture2, 6);
    EXPECT_EQ(e.faces[0].envMap, 1);
    EXPECT_EQ(e.faces[0].lookFlag2, 9);
    EXPECT_EQ(e.faces[0].tinted, 1);
    EXPECT_EQ(e.faces[0].additive, 1);
    EXPECT_FLOAT_EQ(e.faces[0].tint[1], 0.25f);

    look.texture = 12;
    look.flags[1] = 0;
    SpawnEntity(MESH_A, t, look);
    EXPECT_EQ(EntityTable[2].faces[1].texture, 12);
    EXPECT_EQ(EntityTable[2].faces[1].envMap, 0);
}

TEST_F(EntityTableTest, TheBoxAlwaysHoldsTheLocalOrigin) {
    Spawn(MESH_B);
    const Entity& e = EntityTable[1];
    EXPECT_FLOAT_EQ(e.boxMin[0], 0.0f);
    EXPECT_FLOAT_EQ(e.boxMax[0], 0.2f);
    EXPECT_FLOAT_EQ(e.boxMin[1], 0.0f);
    EXPECT_FLOAT_EQ(e.boxMax[1], 0.3f);
    EXPECT_FLOAT_EQ(e.boxMin[2], 0.0f);
    EXPECT_FLOAT_EQ(e.boxMax[2], 0.3f);
}

TEST_F(EntityTableTest, FindEntityCountsLiveObjectsAndSkipsDissolvingBricks) {
    Spawn(MESH_BRICK_FIRST);
    Spawn(MESH_A);
    Spawn(MESH_BRICK_FIRST + 1);
    EXPECT_EQ(FindEntity(TYPE_BRICK, 0), 0);
    EXPECT_EQ(FindEntity(TYPE_BRICK, -2), 0);
    EXPECT_EQ(FindEntity(TYPE_BRICK, 1), 1);
    EXPECT_EQ(FindEntity(TYPE_BRICK, 2), 3);
    EXPECT_EQ(FindEntity(TYPE_BRICK, 3), ENTITY_NONE);
    EXPECT_EQ(FindEntity(MESH_A, 1), 2);
    StartDissolve(1);
    EXPECT_EQ(FindEntity(TYPE_BRICK, 1), 3);
    EXPECT_EQ(FindEntity(TYPE_BRICK, 2), ENTITY_NONE);
    KillEntity(2);
    EXPECT_EQ(FindEntity(MESH_A, 1), ENTITY_NONE);
}

TEST_F(EntityTableTest, OverlapAndContactSidesInTheirOrder) {
    const int a = Spawn(MESH_A); // box -0.5..0.5 in x and y
    const int b = Spawn(MESH_A, 0.2f, 0.0f);
    EXPECT_EQ(EntitiesOverlap(a, b), 1);
    EXPECT_EQ(ContactSide(a, b), 2) << "b's left edge inside a wins over its right edge";
    EntityTable[b].position[0] = -0.8f; // only b's right edge is inside
    EXPECT_EQ(ContactSide(a, b), 1);
    EntityTable[b].position[0] = 0.0f; // same x-span: neither edge strictly inside
    EntityTable[b].position[1] = 0.8f;
    EXPECT_EQ(ContactSide(a, b), 3);
    EntityTable[b].position[1] = 0.0f;
    EXPECT_EQ(ContactSide(a, b), 4);
    EntityTable[b].position[0] = 1.0f; // touching edges do not count
    EXPECT_EQ(EntitiesOverlap(a, b), 0);
    EXPECT_EQ(ContactSide(a, b), 0);
    EntityTable[b].scale[0] = 0.1f; // the scale narrows the box about the position
    EntityTable[b].position[0] = 0.52f;
    EXPECT_EQ(EntitiesOverlap(a, b), 1);
    EntityTable[b].position[0] = 0.56f;
    EXPECT_EQ(EntitiesOverlap(a, b), 0);
}

TEST_F(EntityTableTest, DissolveSetsPendingScoreOnce) {
    const int brick = Spawn(MESH_BRICK_FIRST);
    pendingScore = 123;
    StartDissolve(brick);
    EXPECT_EQ(pendingScore, 850);
    EXPECT_FLOAT_EQ(EntityTable[brick].life, 0.99f);
    EXPECT_EQ(EntityTable[brick].faces[0].additive, 1);
    pendingScore = 5;
    StartDissolve(brick);
    EXPECT_EQ(pendingScore, 5) << "a second start does nothing";
    const int empty = Spawn(20);
    StartDissolve(empty);
    EXPECT_EQ(pendingScore, 850);
    EXPECT_FLOAT_EQ(EntityTable[empty].life, 0.99f);
}

// What play never shows, so no replay pins it: a rotation of exactly 360
// stays, growth scales, and z is not integrated.
TEST_F(EntityTableTest, RotationWrapsIntoZeroToThreeSixtyAndOnlyXAndYMove) {
    const int e = Spawn(MESH_A);
    FrameMs = 5; // k = 1
    EntityTable[e].rotation[0] = 360.0f;
    EntityTable[e].spin[1] = 5.0f;
    EntityTable[e].rotation[1] = 360.0f;
    EntityTable[e].spin[2] = -10.0f;
    EntityTable[e].velocity[2] = 1.0f;
    EntityTable[e].growth[0] = 0.01f;
    UpdateEntity(e);
    EXPECT_FLOAT_EQ(EntityTable[e].rotation[0], 360.0f) << "exactly 360 stays";
    EXPECT_FLOAT_EQ(EntityTable[e].rotation[1], 5.0f);
    EXPECT_FLOAT_EQ(EntityTable[e].rotation[2], 350.0f);
    EXPECT_FLOAT_EQ(EntityTable[e].position[2], 0.0f) << "z is not integrated";
    EXPECT_FLOAT_EQ(EntityTable[e].scale[0], 1.01f);
}

TEST_F(EntityTableTest, AMissileAtTheTopIsRemovedAtEveryResolution) {
    for (int mode = 0; mode < 5; ++mode) {
        VideoModeIndex = mode;
        const int missile = Spawn(MESH_MISSILE, 0.0f, 2.69f);
        EntityTable[missile].velocity[1] = 0.01f; // ends at 2.73
        UpdateEntity(missile);
        EXPECT_EQ(EntityTable[missile].inUse, 0) << "mode " << mode;
        const int ship = Spawn(MESH_SHIP, 0.0f, 2.69f);
        EntityTable[ship].velocity[1] = 0.0f;
        UpdateEntity(ship);
        EntityTable[ship].position[1] = 2.75f;
        UpdateEntity(ship);
        EXPECT_EQ(EntityTable[ship].inUse, 1) << "only missiles leave at the top";
        KillEntity(ship);
    }
    VideoModeIndex = 1;
}

TEST_F(EntityTableTest, ConversionsFollowTheModeAndRandomIntStaysInItsRange) {
    VideoModeIndex = 1;
    EXPECT_FLOAT_EQ(ScreenXToWorld(640.0f), 5.0f);
    EXPECT_FLOAT_EQ(ScreenYToWorld(240.0f), 2.5f);
    EXPECT_FLOAT_EQ(WorldToScreenY(2.5f), 240.0f);
    VideoModeIndex = 4;
    EXPECT_NEAR(ScreenXToWorld(1280.0f / 1.9f), 2.6316f, 1e-4);
    VideoModeIndex = 1;
    for (int i = 0; i < 200; ++i) {
        const int r = RandomInt(3, 7);
        EXPECT_GE(r, 3);
        EXPECT_LT(r, 7);
    }
    EXPECT_EQ(RandomInt(4, 4), 4) << "an empty range must not divide by zero";
}
