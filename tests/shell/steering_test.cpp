// The steering pair in full screen, read from a real window under the X
// server, and the clamps of the pair and of the menu pointer (the windowed
// pair is the menu click test's: the pointer is drawn where the mouse is).
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "gameplay/entity.h"
#include "platform/platform.h"
#include "render/render.h"
#include "shell/shell.h"
#include "shell/steering.h"
#include "tests/support/test_support.h"

namespace {

// Every test here grabs the X pointer, so each opens its window on an X
// server of its own: tests running in parallel would move each other's
// pointer.
class SteeringTest : public ::testing::Test {
  protected:
    void TearDown() override {
        GameWindow = nullptr;
        delete window_;
        window_ = nullptr;
        xserver_.reset();
        FullScreen = false;
    }

    // A 640 x 480 game window on a fresh X server of the given size.
    void OpenWindow(int screenWidth, int screenHeight, bool fullScreen) {
        xserver_.reset(new k3dtest::OwnXServer(screenWidth, screenHeight));
        ASSERT_TRUE(xserver_->ok());
        VideoModeIndex = 1; // 640 x 480
        FullScreen = fullScreen;
        FrameMs = 16;
        window_ = createWindowObject(true, false);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(window_->createWindow(640, 480, 32, !fullScreen, "steering"));
        GameWindow = window_;
        InitGameInput();
        SteerX = SteerY = 0;
    }

    // One frame of steering after the mouse moved by (dx, dy) screen pixels,
    // as SDL reports motion in relative mode.
    void MoveBy(int dx, int dy) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(window_->getWindowHandle()));
        e.motion.xrel = dx;
        e.motion.yrel = dy;
        SDL_PushEvent(&e);
        window_->processEvents();
        UpdateSteering();
    }

    std::unique_ptr<k3dtest::OwnXServer> xserver_;
    KWindow* window_ = nullptr;
};

TEST(SteeringLimits, ClampRangesFollowTheScreenSize) {
    EXPECT_EQ(SteerLimitX(640), 323);
    EXPECT_EQ(SteerLimitY(480), 242);
    EXPECT_EQ(SteerLimitX(1280), 646);
    EXPECT_EQ(SteerLimitY(300), 151);
}

// Full screen on a desktop of another size: the pointer is grabbed and
// hidden, and its motion is scaled into game pixels with the remainder
// carried, so slow motion adds up the same both ways and nothing drifts.
struct ScaleRow {
    const char* name;
    int screenWidth, screenHeight;
    int moved;   // game pixels for 120 one-pixel moves: 120 / scale, truncated
    int bigMove; // game pixels for one real 45-pixel move of the X pointer
};

void PrintTo(const ScaleRow& row, std::ostream* out) {
    *out << row.name;
}

class FullScreenSteering : public SteeringTest, public ::testing::WithParamInterface<ScaleRow> {
  protected:
    void SetUp() override { OpenWindow(GetParam().screenWidth, GetParam().screenHeight, true); }
    // One real relative move of the X pointer, then frames until it shows.
    void MoveTheXPointer(int dx) {
        const std::string command = "xdotool mousemove_relative -- " + std::to_string(dx) + " 0";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const int before = SteerX;
        // Bounded: the server's event comes through the next pumps.
        for (int i = 0; i < 400 && SteerX == before; i++) {
            SDL_Delay(5);
            window_->processEvents();
            UpdateSteering();
        }
    }
};

TEST_P(FullScreenSteering, OnePixelMovesAddUpOneToOne) {
    const ScaleRow& row = GetParam();
    EXPECT_TRUE(SDL_GetRelativeMouseMode());
    EXPECT_TRUE(isRelativeMouse());

    for (int i = 0; i < 120; i++)
        MoveBy(1, 0);
    EXPECT_EQ(SteerX, row.moved);
    for (int i = 0; i < 120; i++)
        MoveBy(-1, 0);
    EXPECT_EQ(SteerX, 0);
    for (int i = 0; i < 120; i++)
        MoveBy(0, -1);
    EXPECT_EQ(SteerY, -row.moved);
    for (int i = 0; i < 120; i++)
        MoveBy(0, 1);
    EXPECT_EQ(SteerY, 0);
    EXPECT_EQ(SteerX, 0);

    // The X server's own relative motion reaches the pair through the grab.
    MoveTheXPointer(45);
    EXPECT_EQ(SteerX, row.bigMove);
    MoveTheXPointer(-45);
    EXPECT_EQ(SteerX, 0);

    // Far off to one side the pair stops at its limit, and coming back
    // starts at once.
    MoveBy(4000, 0);
    EXPECT_EQ(SteerX, 323);
    MoveBy(-5, 0);
    EXPECT_LT(SteerX, 323);
}

INSTANTIATE_TEST_SUITE_P(Scales, FullScreenSteering,
                         ::testing::Values(ScaleRow{"Scale1_640x480", 640, 480, 120, 45},
                                           ScaleRow{"Scale1_6_1024x768", 1024, 768, 75, 28},
                                           ScaleRow{"Scale2_25_1920x1080", 1920, 1080, 53, 20}),
                         [](const ::testing::TestParamInfo<ScaleRow>& info) {
                             return std::string(info.param.name);
                         });

// The pointer reaches every pixel of the picture and no further; where it
// is drawn for a pixel is the scene tests' business.
TEST(MenuPointer, ClampsToThePictureAndPlacesTheCursorObject) {
    VideoModeIndex = 1;
    InitCamerasForViewAngle(0);
    CurrentCamera = CAMERA_MENU;
    ClearEntities();
    MeshTable[MESH_CURSOR].faceCount = 0;
    EntityTransform t;
    EntityLook l;
    DefaultTransform(&t);
    t.position[2] = 0.8f;
    SpawnEntity(MESH_CURSOR, t, *DefaultLook(&l));
    const int cursor = FindEntity(TYPE_CURSOR, 1);
    ASSERT_NE(cursor, ENTITY_NONE);

    struct Row {
        const char* name;
        int inX, inY, outX, outY;
    };
    const Row rows[] = {
        {"lower left corner", -400, 400, -320, 239},
        {"upper right corner", 400, -400, 319, -240},
        {"inside: kept", 64, 48, 64, 48},
        {"left edge", -320, 0, -320, 0},
        {"bottom row", 0, 239, 0, 239},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SteerX = row.inX;
        SteerY = row.inY;
        UpdateMenuPointer();
        EXPECT_EQ(SteerX, row.outX);
        EXPECT_EQ(SteerY, row.outY);
    }
    // World y grows upwards, screen y downwards; the pointer keeps its depth.
    SteerX = 64;
    SteerY = 48;
    UpdateMenuPointer();
    EXPECT_GT(EntityTable[cursor].position[0], 0.0f);
    EXPECT_LT(EntityTable[cursor].position[1], 0.0f);
    EXPECT_FLOAT_EQ(EntityTable[cursor].position[2], 0.8f);
    ClearEntities();
}

} // namespace
