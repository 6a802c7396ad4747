// Ball rules the replays do not reach: a bumper's centre, a bumper on the
// ship, two bricks at once.
#include "tests/gameplay/gameplay_fixture.h"

namespace {

using gameplaytest::GameplayTest;

class BallRules : public GameplayTest {};

// The ship at (0, -2.6) has its top edge at -2.5.
const float SHIP_TOP = -2.5f;

TEST_F(BallRules, BallReachingABumpersCentreScores1500AndSendsItAway) {
    Ship(0.0f, -2.6f);
    Ball(0.3f, 0.2f, 0.004f, -0.006f);
    const int bumper = Spawn(MESH_BUMPER, 0.31f, 0.2f); // 1000 d^2 = 0.1
    pendingScore = 77;
    srand(99);
    const float x = ScreenXToWorld((float)RandomInt(-320, 320));
    const float y = ScreenYToWorld((float)RandomInt(-240, 240));
    srand(99);
    UpdateBalls();
    EXPECT_EQ(pendingScore, 1500);
    EXPECT_FLOAT_EQ(EntityTable[bumper].position[0], x);
    EXPECT_FLOAT_EQ(EntityTable[bumper].position[1], y);
    EXPECT_FLOAT_EQ(EntityTable[bumper].velocity[0], 0.004f);
    EXPECT_FLOAT_EQ(EntityTable[bumper].velocity[1], -0.006f);
}

struct BumperShipCase {
    const char* rule;
    float y, vy;
    float expectVy;
};

TEST_F(BallRules, FlyingBumperBouncesOffTheShipWithoutTouchingTheCombo) {
    const BumperShipCase cases[] = {
        {"falling onto the top goes back up", SHIP_TOP + 0.05f, -0.01f, 0.015f},
        {"rising into the bottom goes back down", -2.65f, 0.01f, -0.015f},
        {"rising from the top is left alone", SHIP_TOP + 0.05f, 0.01f, 0.01f},
    };
    for (const BumperShipCase& c : cases) {
        SCOPED_TRACE(c.rule);
        ClearEntities();
        Ship(0.0f, -2.6f);
        Ball(-2.0f, 1.0f, 0.0f, 0.0f);
        const int bumper = Spawn(MESH_BUMPER, 0.0f, c.y, 0.0f, c.vy);
        combo = 30;
        UpdateBalls();
        EXPECT_NEAR(EntityTable[bumper].velocity[1], c.expectVy, 1e-6f);
        EXPECT_EQ(combo, 30);
    }
}

TEST_F(BallRules, BallOverTwoBricksHitsOnePerFrameAndTurnsOnce) {
    const int first = Brick(0.0f, 0.0f);
    const int second = Brick(0.0f, 0.02f);
    Ship(0.0f, -2.6f);
    const int ball = Ball(0.0f, -0.06f, 0.0f, 0.0075f); // rising into both
    UpdateBalls();
    EXPECT_TRUE(Dissolving(first));
    EXPECT_FALSE(Dissolving(second)) << "the brick after a hit one waits a frame";
    EXPECT_FLOAT_EQ(EntityTable[ball].velocity[1], -0.0075f);
    EXPECT_EQ(pendingScore, 500);
    UpdateBalls();
    EXPECT_TRUE(Dissolving(second));
    EXPECT_FLOAT_EQ(EntityTable[ball].velocity[1], -0.0075f) << "not turned back up";
    EXPECT_EQ(pendingScore, 600);
    EXPECT_EQ(combo, 200);
}

} // namespace
