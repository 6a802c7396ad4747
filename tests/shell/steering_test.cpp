// The steering pair, the key word and the button flags, read from a real
// window under the X server.
#include <gtest/gtest.h>

#include <SDL.h>

#include "gameplay/entity.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "shell/steering.h"

namespace {

class SteeringTest : public ::testing::Test {
  protected:
    void SetUp() override {
        VideoModeIndex = 1; // 640 x 480
        FullScreen = false;
        FrameMs = 16;
        window_ = createWindowObject(true, false);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(window_->createWindow(640, 480, 32, true, "steering"));
        GameWindow = window_;
        initInput(window_);
        SteerX = SteerY = 0;
    }
    void TearDown() override {
        GameWindow = nullptr;
        delete window_;
    }

    // Puts the cursor at a client position and pumps until SDL reports it.
    bool MoveMouseTo(int x, int y) {
        setMousePosition(x, y);
        for (int i = 0; i < 200; i++) {
            window_->processEvents();
            SDL_PumpEvents();
            if (getMouseX() == x && getMouseY() == y) return true;
            SDL_Delay(2);
        }
        return false;
    }

    void PushKey(SDL_Scancode code, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.keysym.scancode = code;
        e.key.keysym.sym = SDL_GetKeyFromScancode(code);
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.windowID = SDL_GetWindowID(SDL_GetKeyboardFocus());
        SDL_PushEvent(&e);
        window_->processEvents(); // latched for this frame only
    }

    KWindow* window_ = nullptr;
};

TEST(SteeringLimits, ClampRangesFollowTheScreenSize) {
    EXPECT_EQ(SteerLimitX(640), 323);
    EXPECT_EQ(SteerLimitY(480), 242);
    EXPECT_EQ(SteerLimitX(1280), 646);
    EXPECT_EQ(SteerLimitY(300), 151);
}

TEST_F(SteeringTest, WindowedPairFollowsTheCursorAbsolutely) {
    ASSERT_TRUE(MoveMouseTo(320, 240));
    UpdateSteering();
    EXPECT_EQ(SteerX, 0);
    EXPECT_EQ(SteerY, 0);

    ASSERT_TRUE(MoveMouseTo(639, 100));
    UpdateSteering();
    EXPECT_EQ(SteerX, 319);
    EXPECT_EQ(SteerY, -140);

    // Absolute: a second read at the same place gives the same pair.
    UpdateSteering();
    EXPECT_EQ(SteerX, 319);
}

TEST_F(SteeringTest, FullScreenAccumulatesRelativeMotionAndRecentres) {
    FullScreen = true;
    ASSERT_TRUE(MoveMouseTo(350, 240)); // 30 right of the centre
    UpdateSteering();
    EXPECT_EQ(SteerX, 30);
    EXPECT_EQ(SteerY, 0);
    // The cursor went back to the centre: the next frame adds nothing.
    for (int i = 0; i < 200 && getMouseX() != 320; i++) {
        window_->processEvents();
        SDL_Delay(2);
    }
    EXPECT_EQ(getMouseX(), 320);
    UpdateSteering();
    EXPECT_EQ(SteerX, 30);
    // Accumulation is clamped to the limit.
    ASSERT_TRUE(MoveMouseTo(639, 479));
    for (int i = 0; i < 40; i++) {
        UpdateSteering();
        MoveMouseTo(639, 479);
    }
    EXPECT_EQ(SteerX, 323);
    EXPECT_EQ(SteerY, 242);
}

TEST_F(SteeringTest, KeysMoveThePairAndReturnFires) {
    ASSERT_TRUE(MoveMouseTo(320, 240));
    PushKey(SDL_SCANCODE_RIGHT, true);
    UpdateSteering();
    EXPECT_EQ(SteerX, 16); // FrameMs pixels on top of the cursor's 0
    EXPECT_TRUE(KeyWord & KW_RIGHT);
    PushKey(SDL_SCANCODE_RIGHT, false);

    PushKey(SDL_SCANCODE_RETURN, true);
    UpdateSteering();
    EXPECT_TRUE(FireHeld);
    EXPECT_TRUE(KeyWord & KW_RETURN);
    PushKey(SDL_SCANCODE_RETURN, false);

    PushKey(SDL_SCANCODE_ESCAPE, true);
    EXPECT_TRUE(ReadKeyWord() & KW_ESCAPE);
    PushKey(SDL_SCANCODE_ESCAPE, false);
}

TEST(MenuPointer, ClampsToTheMenuRangeAndPlacesTheCursorObject) {
    VideoModeIndex = 1;
    ClearEntities();
    MeshTable[MESH_CURSOR].faceCount = 0;
    EntityTransform t;
    EntityLook l;
    SpawnEntity(MESH_CURSOR, *DefaultTransform(&t), *DefaultLook(&l));
    const int cursor = FindEntity(TYPE_CURSOR, 1);
    ASSERT_NE(cursor, ENTITY_NONE);

    SteerX = -400;
    SteerY = 400;
    UpdateMenuPointer();
    EXPECT_EQ(SteerX, -284);
    EXPECT_EQ(SteerY, 167);
    SteerX = 400;
    SteerY = -400;
    UpdateMenuPointer();
    EXPECT_EQ(SteerX, 294);
    EXPECT_EQ(SteerY, -156);
    // Inside the range nothing is replaced; world y grows upwards.
    SteerX = 64;
    SteerY = 48;
    UpdateMenuPointer();
    EXPECT_EQ(SteerX, 64);
    EXPECT_FLOAT_EQ(EntityTable[cursor].position[0], 0.5f);
    EXPECT_FLOAT_EQ(EntityTable[cursor].position[1], -0.5f);
    ClearEntities();
}

} // namespace
