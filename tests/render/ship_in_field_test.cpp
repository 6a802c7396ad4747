// The field as the play camera shows it, from pixels: the drawn walls stand
// where the ball turns, and the ship at the ends of its travel is never
// hidden in or behind a wall. Each object is painted one flat colour (floor
// green, walls red, ball or ship blue) so the picture can be read back.
#include <gtest/gtest.h>

#include <SDL_opengl.h>

#include <algorithm>
#include <vector>

#include "gameplay/gameplay.h"
#include "render/render.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"
#include "tests/render/render_fixtures.h"

namespace {

const int W = 640, H = 480;

enum Paint { NONE, FLOOR, WALL, SUBJECT };

// The frame read back and sorted into the four paints.
struct Picture {
    std::vector<Paint> px = std::vector<Paint>(W * H, NONE);
    Paint at(int x, int y) const { return px[y * W + x]; }
    int count(Paint p) const {
        int n = 0;
        for (Paint q : px)
            n += q == p;
        return n;
    }
    // Columns and rows the paint reaches; false when it is nowhere.
    bool bounds(Paint p, int* x0, int* x1, int* y0, int* y1) const {
        *x0 = W, *x1 = -1, *y0 = H, *y1 = -1;
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++)
                if (at(x, y) == p) {
                    *x0 = std::min(*x0, x), *x1 = std::max(*x1, x);
                    *y0 = std::min(*y0, y), *y1 = std::max(*y1, y);
                }
        return *x1 >= 0;
    }
};

void PaintFaces(int slot, float r, float g, float b) {
    Entity& e = EntityTable[slot];
    for (int i = 0; i < e.faceCount; i++) {
        e.faces[i].texture = 0; // no picture: the flat tint alone
        e.faces[i].additive = 0;
        e.faces[i].envMap = 0;
        e.faces[i].tinted = 1;
        e.faces[i].tint[0] = r, e.faces[i].tint[1] = g, e.faces[i].tint[2] = b;
    }
}

class ShipInFieldTest : public rendertest::GlTest {
  protected:
    static void SetUpTestSuite() {
        GlTest::SetUpTestSuite();
        VideoModeIndex = 1; // 640 x 480
        FullScreen = false;
        LoadEpisodeFile("Orvi\\episode.pak");
    }
    static void TearDownTestSuite() {
        ClearEntities();
        ViewAngle = 0;
        InitCameras();
    }
    void TearDown() override { GameState = GS_MAIN_MENU; }

    // A stage at the view angle with only the floor, the walls and the
    // ship (or the ball) left, each in its paint.
    static void BuildField(int viewAngle, bool withShip) {
        ViewAngle = viewAngle;
        InitCameras();
        currentStage = 1;
        StartEpisode();
        for (int slot = 1; slot < MAX_ENTITIES; slot++) {
            const Entity& e = EntityTable[slot];
            if (!e.inUse) continue;
            const bool keep = e.type == MESH_PLAYGROUND || (withShip && e.type == MESH_SHIP) ||
                              (!withShip && e.type == MESH_BALL);
            if (!keep) KillEntity(slot);
        }
        const int ground = FindEntity(MESH_PLAYGROUND, 1);
        ASSERT_NE(ground, ENTITY_NONE);
        Entity& g = EntityTable[ground];
        const int floorTexture = g.faces[0].texture; // the floor is the first object
        for (int i = 0; i < g.faceCount; i++) {
            const bool floor = g.faces[i].texture == floorTexture;
            g.faces[i].texture = 0;
            g.faces[i].tinted = 1;
            g.faces[i].tint[0] = floor ? 0.0f : 1.0f;
            g.faces[i].tint[1] = floor ? 1.0f : 0.0f;
            g.faces[i].tint[2] = 0.0f;
        }
        const int subject = FindEntity(withShip ? MESH_SHIP : MESH_BALL, 1);
        ASSERT_NE(subject, ENTITY_NONE);
        PaintFaces(subject, 0.0f, 0.0f, 1.0f);
    }

    static Picture Draw() {
        SetProjection(W, H);
        CurrentCamera = 1;
        ApplyCamera();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawScene(false);
        std::vector<unsigned char> rgb(W * H * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        Picture p;
        for (int i = 0; i < W * H; i++) {
            const int r = rgb[i * 3], g = rgb[i * 3 + 1], b = rgb[i * 3 + 2];
            if (b > 150 && r < 80 && g < 80) p.px[i] = SUBJECT;
            else if (r > 150 && g < 80 && b < 80) p.px[i] = WALL;
            else if (g > 150 && r < 80 && b < 80) p.px[i] = FLOOR;
        }
        return p;
    }

    // The subject's pixels with the playground there and without it: the
    // same count means no wall stands in front of it.
    static void ExpectNothingInFront(const Picture& field, bool mustBeSeen = true) {
        const int ground = FindEntity(MESH_PLAYGROUND, 1);
        ASSERT_NE(ground, ENTITY_NONE);
        EntityTable[ground].position[2] -= 50.0f; // far behind the camera's far plane
        const Picture alone = Draw();
        EntityTable[ground].position[2] += 50.0f;
        if (mustBeSeen) {
            EXPECT_GT(alone.count(SUBJECT), 20) << "out of the picture";
        }
        EXPECT_NEAR(field.count(SUBJECT), alone.count(SUBJECT), 2)
            << "a wall covers part of it";
    }

};

// The ball at the point where it turns, half-way up the field: the wall's
// first pixels begin right beside it, and nothing of the wall covers it.
TEST_F(ShipInFieldTest, TheBallTurnsAtTheDrawnWallAtEveryViewAngle) {
    const float turn = 2.6316f; // where a ball moving outwards is sent back
    for (int angle : {0, -25, -50}) {
        for (int side : {-1, 1}) {
            SCOPED_TRACE(testing::Message() << "view angle " << angle << ", side " << side);
            BuildField(angle, false);
            const int ball = FindEntity(MESH_BALL, 1);
            EntityTable[ball].position[0] = side * turn;
            EntityTable[ball].position[1] = 0.0f;
            const Picture field = Draw();
            int x0, x1, y0, y1;
            ASSERT_TRUE(field.bounds(SUBJECT, &x0, &x1, &y0, &y1));
            ASSERT_GT(x0, 0);
            ASSERT_LT(x1, W - 1);
            ExpectNothingInFront(field);
            // On the ball's middle row, the wall starts within a few pixels
            // of its outer edge: no strip of floor between them.
            const int y = (y0 + y1) / 2;
            int x = side > 0 ? x1 : x0;
            while (x >= 0 && x < W && field.at(x, y) == SUBJECT)
                x += side;
            int gap = 0;
            while (x >= 0 && x < W && field.at(x, y) != WALL)
                x += side, gap++;
            ASSERT_TRUE(x >= 0 && x < W) << "no wall beyond the ball";
            EXPECT_LE(gap, 3) << "floor between the ball and the wall";
        }
    }
}

// The ship steered to each end of its travel. At every angle no wall
// covers what the camera shows of it; at view angle 0, where the camera
// shows the whole field, it is inside the window and the wall goes on
// beyond its end. (At -25 the picture ends 0.06 world units beyond the
// ship's centre on its row, at -50 0.7 units before it: no ship fits.)
TEST_F(ShipInFieldTest, TheShipAtEitherEndStaysInsideTheWalls) {
    for (int angle : {0, -25, -50}) {
        for (int side : {-1, 1}) {
            SCOPED_TRACE(testing::Message() << "view angle " << angle << ", side " << side);
            BuildField(angle, true);
            SteerX = side * SteerLimitX(W);
            UpdateShip();
            const Picture field = Draw();
            ExpectNothingInFront(field, angle == 0);
            if (angle != 0) continue;
            int x0, x1, y0, y1;
            ASSERT_TRUE(field.bounds(SUBJECT, &x0, &x1, &y0, &y1));
            EXPECT_GT(x0, 0);
            EXPECT_LT(x1, W - 1);
            EXPECT_GT(y0, 0);
            EXPECT_LT(y1, H - 1);
            for (int y = y0; y <= y1; y++) {
                int end = -1;
                for (int x = 0; x < W; x++)
                    if (field.at(x, y) == SUBJECT && (end < 0 || (x - end) * side > 0)) end = x;
                if (end < 0) continue;
                bool wallBeyond = false;
                for (int x = end + side; x >= 0 && x < W; x += side)
                    if (field.at(x, y) == WALL) wallBeyond = true;
                EXPECT_TRUE(wallBeyond) << "row " << y << ": the ship ends past the wall";
            }
        }
    }
    SteerX = 0;
}

} // namespace
