// The generated meshes against the rules of the game's line reader, and
// through the game's own reader.
#include "render/render.h"
#include "tests/assetgen/asset_checks.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

using namespace assetcheck;
using k3dtest::FileExists;
using k3dtest::ReadWholeFile;

namespace {

using assetcheck::GameFile;

AscFile Load(const std::string& name) {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(GameFile("Mesh/" + name), &text)) << name;
    return ParseAsc(text);
}

// Extent of one axis (0 x, 1 y, 2 z) over the whole file.
void Extent(const AscFile& f, int axis, float* lo, float* hi) {
    *lo = 1e9f;
    *hi = -1e9f;
    for (size_t i = axis; i < f.vertices.size(); i += 5) {
        *lo = std::fmin(*lo, f.vertices[i]);
        *hi = std::fmax(*hi, f.vertices[i]);
    }
}

TEST(MeshFiles, EveryFileKeepsTheReadersRulesAndLimits) {
    for (const std::string& name : MeshFileNames()) {
        AscFile f = Load(name);
        for (const std::string& p : f.problems)
            ADD_FAILURE() << name << " " << p;
        EXPECT_GE(f.objects, 1) << name;
        EXPECT_GT(f.faces.size(), 0u) << name;
        EXPECT_LE(f.vertices.size() / 5, 512u) << name;
        EXPECT_LE(f.faces.size(), 512u) << name;
        for (const AscFace& face : f.faces)
            EXPECT_FALSE(face.material.empty()) << name;
        // Pictures wrap at most twice (the ball's, around it); anything else
        // is a slip in the uv maths.
        for (size_t i = 3; i < f.vertices.size(); i++) {
            if (i % 5 < 3) continue;
            EXPECT_TRUE(f.vertices[i] >= -0.001f && f.vertices[i] <= 2.001f) << name << " uv";
        }
    }
}

// Each brick kind and each capsule has a picture of its own (that every
// material loads in every episode is the loaded-data test's).
TEST(MeshFiles, EachBrickKindAndCapsuleHasItsOwnMaterial) {
    for (int i = 1; i <= 12; ++i) {
        AscFile f = Load("brique" + std::to_string(i) + ".asc");
        for (const AscFace& face : f.faces)
            EXPECT_EQ(face.material, "brique" + std::to_string(i));
    }
    for (int i = 1; i <= 9; ++i) {
        AscFile f = Load("bonus" + std::to_string(i) + ".asc");
        for (const AscFace& face : f.faces)
            EXPECT_EQ(face.material, "bonus" + std::to_string(i));
    }
}

// Sizes that the placement of objects depends on (mesh units / 80).
TEST(MeshFiles, BricksTileTheStageGridWithAGap) {
    for (int i = 1; i <= 12; ++i) {
        AscFile f = Load("brique" + std::to_string(i) + ".asc");
        float x0, x1, y0, y1, z0, z1;
        Extent(f, 0, &x0, &x1);
        Extent(f, 1, &y0, &y1);
        Extent(f, 2, &z0, &z1);
        // Columns are 1/3.3 apart at scale 0.6, rows 0.25 apart at scale 2.
        float width = (x1 - x0) / 80 * 0.6f, height = (y1 - y0) / 80 * 2.0f;
        EXPECT_LT(width, 1 / 3.3f) << i;
        EXPECT_GT(width, 1 / 3.3f * 0.85f) << i;
        EXPECT_LT(height, 0.25f) << i;
        EXPECT_GT(height, 0.25f * 0.8f) << i;
        EXPECT_NEAR(x0, -x1, 0.01f) << i;
        EXPECT_NEAR(y0, -y1, 0.01f) << i;
        // At the deepest Delirium scale (12) a brick stays in front of the floor.
        EXPECT_LT(-z0 / 80 * 12, 1.5f) << i;
    }
}

TEST(MeshFiles, ThePlaygroundCoversThePlayViewAtEveryViewAngle) {
    AscFile f = Load("playground.asc");
    float x0, x1, y0, y1;
    Extent(f, 0, &x0, &x1);
    Extent(f, 1, &y0, &y1);
    // Where the view's corners meet the floor plane z = -1.5 at scale
    // (4.5, 3.5) for the view angles 0, -25 and -50 (see the generator).
    EXPECT_LE(x0, -117.0f);
    EXPECT_GE(x1, 117.0f);
    EXPECT_LE(y0, -84.0f);
    EXPECT_GE(y1, 99.5f);
}

TEST(MeshFiles, BallRestsOnTheShipAndShipsShareTheirBox) {
    AscFile ball = Load("boule.asc"), ship = Load("raquette.asc"), guns = Load("raquette_fire.asc");
    float bx0, bx1, sy0, sy1, sz0, sz1;
    Extent(ball, 0, &bx0, &bx1);
    Extent(ship, 1, &sy0, &sy1);
    Extent(ship, 2, &sz0, &sz1);
    // The ball waits 0.1429 above the ship's centre at scale 0.1.
    float ballRadius = (bx1 - bx0) / 2 / 80 * 0.1f;
    float shipHalf = sy1 / 80;
    EXPECT_NEAR(ballRadius + shipHalf, 0.1429f, 0.01f);
    // The ship is turned -90 about x: its box height (y) is what is drawn (z).
    EXPECT_NEAR(sy1 - sy0, sz1 - sz0, 0.5f);
    // Switching to the cannon ship keeps the collision box in x and y.
    float a0, a1, c0, c1;
    for (int axis = 0; axis < 2; ++axis) {
        Extent(ship, axis, &a0, &a1);
        Extent(guns, axis, &c0, &c1);
        EXPECT_NEAR(a0, c0, 0.01f);
        EXPECT_NEAR(a1, c1, 0.01f);
    }
    Extent(guns, 2, &c0, &c1);
    EXPECT_GT(c1, sz1 + 4) << "the cannons stand above the hull";
}

TEST(MeshFiles, MenuPiecesHoldTheirLabelsAndTheCursorPointsAtOne) {
    float x0, x1, y0, y1;
    // Menu boxes: scale (0.28, 0.1) at z = 0.7, where a world unit is 135
    // pixels; labels of up to 9 letters at size 12 take about 54 x 24.
    Extent(Load("menubox.asc"), 0, &x0, &x1);
    Extent(Load("menubox.asc"), 1, &y0, &y1);
    float boxW = (x1 - x0) / 80 * 0.28f, boxH = (y1 - y0) / 80 * 0.1f;
    EXPECT_GT(boxW * 135, 60.0f);
    EXPECT_GT(boxH * 135, 28.0f);
    EXPECT_LT(boxW, 0.8f) << "neighbouring boxes (0.8 apart) must not touch";
    // Cursor: scale 2; narrower than the gap between two boxes.
    Extent(Load("cursor.asc"), 0, &x0, &x1);
    EXPECT_LT((x1 - x0) / 80 * 2, 0.8f - boxW);
    EXPECT_NEAR(x0, -x1, 0.01f) << "turned 90 degrees, so it must be centred";
    // Setup plates: scale (0.35, 0.12), 1.28 apart, labels of 11 letters.
    Extent(Load("plaque.asc"), 0, &x0, &x1);
    float plateW = (x1 - x0) / 80 * 0.35f;
    EXPECT_GT(plateW * 116, 70.0f);
    EXPECT_LT(plateW, 5 / 3.9f);
    // Arrows are turned 180 degrees for the minus side: centred boxes.
    Extent(Load("select.asc"), 0, &x0, &x1);
    EXPECT_NEAR(x0, -x1, 0.01f);
}

// Through the game's reader: the faces it keeps are the faces in the file.
TEST(MeshFiles, TheGamesReaderTakesEveryFaceAndMaterial) {
    LoadTextures();
    std::map<std::string, int> ids;
    int next = 48; // ids the game never uses, so nothing it owns is touched
    for (const std::string& name : MeshFileNames()) {
        if (next >= MAX_MESHES) next = 48;
        AscFile f = Load(name);
        int id = next++;
        LoadAscMesh(("Mesh/" + name).c_str(), id);
        ASSERT_EQ(MeshTable[id].faceCount, static_cast<int>(f.faces.size())) << name;
        for (size_t i = 0; i < f.faces.size(); ++i) {
            const MeshFace& g = MeshTable[id].faces[i];
            const float* a = &f.vertices[f.faces[i].a * 5];
            EXPECT_FLOAT_EQ(g.vertex[0].x, a[0]) << name << " face " << i;
            EXPECT_FLOAT_EQ(g.vertex[0].v, a[4]) << name << " face " << i;
            EXPECT_NE(MeshTable[id].materials[i + 1], 0) << name << " face " << i;
        }
    }
    // (That each material loads once, in every episode, is the loaded-data test's.)
}

} // namespace
