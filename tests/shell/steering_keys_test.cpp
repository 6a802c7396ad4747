// The keys of play: the key word's bits, the arrows that move the steering
// pair, the keys and buttons that fire, and the right button. Keys are put
// down through the input layer's latches, so no test touches the X pointer
// or keyboard.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "shell/shell.h"
#include "shell/steering.h"

namespace {

class SteeringKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        // The window is narrower than the configured 1280: wherever SDL
        // last saw the cursor, the pair starts inside -640..0 and a few
        // pixels either way stay inside the limit of 646.
        VideoModeIndex = 4;
        FullScreen = false;
        FrameMs = 7;
        window_ = createWindowObject(true, false);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(window_->createWindow(640, 480, 32, true, "steering keys"));
        GameWindow = window_;
        initInput(window_);
    }
    void TearDown() override {
        clearInputLatches();
        GameWindow = nullptr;
        delete window_;
        VideoModeIndex = 1;
    }
    KWindow* window_ = nullptr;
};

struct KeyCase {
    const char* rule;
    int key;
    uint32_t bits;
    int dx, dy; // in FrameMs
    bool fires;
};

TEST_F(SteeringKeys, EachKeySetsItsBitAndTheArrowsAndFireKeysAct) {
    const KeyCase cases[] = {
        {"Right adds FrameMs to x", K_RIGHT, KW_RIGHT, 1, 0, false},
        {"Left takes FrameMs from x", K_LEFT, KW_LEFT, -1, 0, false},
        {"Up takes FrameMs from y", K_UP, KW_UP, 0, -1, false},
        {"Down adds FrameMs to y", K_DOWN, KW_DOWN, 0, 1, false},
        {"Space fires and sets both its bits", K_SPACE, KW_SPACE | KW_SPACE2, 0, 0, true},
        {"Return fires", K_RETURN, KW_RETURN, 0, 0, true},
        {"Escape is only a bit", K_ESCAPE, KW_ESCAPE, 0, 0, false},
        {"V is only a bit", K_A + ('v' - 'a'), KW_V, 0, 0, false},
        {"B is only a bit", K_A + ('b' - 'a'), KW_B, 0, 0, false},
        {"C is only a bit", K_A + ('c' - 'a'), KW_C, 0, 0, false},
        {"F is only a bit", K_A + ('f' - 'a'), KW_F, 0, 0, false},
        {"S is only a bit", K_A + ('s' - 'a'), KW_S, 0, 0, false},
        {"A is no key of play", K_A, 0, 0, 0, false},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.rule);
        clearInputLatches();
        UpdateSteering();
        const int x = SteerX, y = SteerY;
        ASSERT_EQ(KeyWord, 0u);
        ASSERT_FALSE(FireHeld);
        latchKey(c.key);
        UpdateSteering();
        EXPECT_EQ(KeyWord, c.bits);
        EXPECT_EQ(ReadKeyWord(), c.bits);
        EXPECT_EQ(SteerX - x, c.dx * FrameMs);
        EXPECT_EQ(SteerY - y, c.dy * FrameMs);
        EXPECT_EQ(FireHeld, c.fires);
        EXPECT_FALSE(RightHeld);
    }
}

TEST_F(SteeringKeys, LeftButtonFiresAndTheRightButtonIsItsOwnFlag) {
    struct ButtonCase {
        const char* rule;
        int button;
        bool fire, right;
    };
    const ButtonCase cases[] = {
        {"left button fires", 1, true, false},
        {"right button is RightHeld, not fire", 2, false, true},
        {"middle button is nothing", 3, false, false},
    };
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE(c.rule);
        clearInputLatches();
        latchButton(c.button);
        UpdateSteering();
        EXPECT_EQ(FireHeld, c.fire);
        EXPECT_EQ(RightHeld, c.right);
        EXPECT_EQ(KeyWord, 0u);
    }
}

} // namespace
