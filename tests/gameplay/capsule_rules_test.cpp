// Capsule rules the replays do not pin alone: the nine effects with their
// log words, and catches that must change nothing.
#include <cmath>
#include <string>

#include "tests/gameplay/gameplay_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using gameplaytest::GameplayTest;

class CapsuleRules : public GameplayTest {
  protected:
    std::string LogText() const { return log_.text(); }
    // The ship at the centre and a capsule of `kind` on it, caught once.
    void Catch(int kind) {
        const int ship = ShipSlot();
        Capsule(kind, 0.0f, -2.55f);
        CatchCapsules(ship);
    }
    static float ShipWidth() { return EntityTable[ShipSlot()].scale[0]; }

    k3dtest::LogCapture log_;
};

struct CapsuleCase {
    const char* rule;
    int kind;
    bool delirium;
    const char* logWord; // nullptr: no log line
    bool (*holds)();
};

// Seven bricks in a row at the top, the first five shaken by BulletShip.
void PlaceBricks() {
    for (int i = 0; i < 7; ++i)
        GameplayTest::Brick(-1.2f + 0.4f * i, 1.5f);
}
float BrickVx(int n) {
    return EntityTable[FindEntity(TYPE_BRICK, n)].velocity[0];
}
bool BricksStill() {
    for (int n = 1; n <= 7; ++n)
        if (BrickVx(n) != 0.0f) return false;
    return true;
}
bool BricksDrift() {
    for (int n = 1; n <= 7; ++n)
        if (BrickVx(n) != -0.01f) return false;
    return bricksSettling;
}

TEST_F(CapsuleRules, EachCapsuleHasItsEffectAndItsLogWord) {
    const CapsuleCase cases[] = {
        {"StopBriks stops drifting bricks at Delirium!", CAPSULE_STOP_BRICKS, true, "Bleu",
         BricksStill},
        {"StopBriks does nothing below Delirium!", CAPSULE_STOP_BRICKS, false, "Bleu",
         [] { return BrickVx(1) == -0.02f; }},
        {"BulletShip: cannons and five shaken bricks", CAPSULE_BULLET_SHIP, false, "Jaune",
         [] {
             int shaken = 0;
             for (int n = 1; n <= 7; ++n)
                 if (EntityTable[FindEntity(TYPE_BRICK, n)].scale[0] == 2.0f) shaken++;
             return cannonShip && FindEntity(MESH_SHIP_CANNONS, 1) != ENTITY_NONE &&
                    FindEntity(MESH_SHIP, 1) == ENTITY_NONE && shaken == 5;
         }},
        {"FlyShip at Delirium! lifts the ship with the steering", CAPSULE_FLY_SHIP, true, "Gris",
         [] { return flyingShip && SteerY == -(int)WorldToScreenY(-2.6f); }},
        {"FlyShip below Delirium! changes nothing", CAPSULE_FLY_SHIP, false, "Gris",
         [] { return !flyingShip && SteerY == 0; }},
        {"NormalShip: no cannons, width kept, bricks drift at Delirium!", CAPSULE_NORMAL_SHIP, true,
         "Rouge",
         [] {
             return !cannonShip && ShipWidth() == 1.5f && BricksDrift() &&
                    std::fabs(EntityTable[FindEntity(TYPE_BRICK, 1)].position[2]) <= 1.0f;
         }},
        {"NormalShip below Delirium!: no drift", CAPSULE_NORMAL_SHIP, false, "Rouge",
         [] { return !cannonShip && BrickVx(1) == -0.02f && !bricksSettling; }},
        {"ReduceShip: width x 0.8", CAPSULE_REDUCE_SHIP, false, "Orange",
         [] { return std::fabs(ShipWidth() - 1.2f) < 1e-6f; }},
        {"EnlargeShip: width x 1.5", CAPSULE_ENLARGE_SHIP, false, "Vert",
         [] { return std::fabs(ShipWidth() - 2.25f) < 1e-6f; }},
        {"MultiBall: one ball becomes three", CAPSULE_MULTI_BALL, false, "Rose",
         [] { return Count(MESH_BALL) == 3; }},
        {"ScoreUp: its own award, no log line", CAPSULE_SCORE_UP, false, nullptr,
         [] { return pendingScore == 12000; }},
        {"BigBalls: balls twice as big", CAPSULE_BIG_BALLS, false, "Violet",
         [] { return std::fabs(EntityTable[FindEntity(MESH_BALL, 1)].scale[0] - 0.2f) < 1e-6f; }},
    };
    for (const CapsuleCase& c : cases) {
        SCOPED_TRACE(c.rule);
        ClearEntities();
        BonusChanceDivisor = c.delirium ? 3 : 20;
        bricksSettling = flyingShip = false;
        SteerY = 0;
        // A ship 1.5 wide (with cannons for NormalShip), a ball, bricks moving left.
        Ship(0.0f, -2.6f);
        EntityTable[FindEntity(MESH_SHIP, 1)].scale[0] = 1.5f;
        if (c.kind == CAPSULE_NORMAL_SHIP) SwitchToCannonShip();
        Ball(0.0f, 0.0f, 0.0075f, 0.0075f);
        PlaceBricks();
        for (int n = 1; n <= 7; ++n)
            EntityTable[FindEntity(TYPE_BRICK, n)].velocity[0] = -0.02f;
        const size_t logBefore = LogText().size();
        pendingScore = 0;
        Catch(c.kind);
        EXPECT_TRUE(c.holds());
        if (c.kind != CAPSULE_SCORE_UP && c.kind != CAPSULE_MULTI_BALL) {
            EXPECT_EQ(pendingScore, 850);
        }
        const std::string added = LogText().substr(logBefore);
        if (c.logWord) {
            EXPECT_NE(added.find(std::string("BONUS:  ") + c.logWord), std::string::npos) << added;
        } else {
            EXPECT_EQ(added.find("BONUS:"), std::string::npos) << added;
        }
        EXPECT_TRUE(Dissolving(FindEntity(TYPE_CAPSULE, 1)));
        cannonShip = false;
    }
}

TEST_F(CapsuleRules, SecondFlyShipWhileFlyingDoesNothing) {
    BonusChanceDivisor = 3;
    Ship(0.0f, -2.6f);
    Ball(0.0f, 0.0f, 0.0f, 0.0f);
    Catch(CAPSULE_FLY_SHIP);
    ASSERT_TRUE(flyingShip);
    SteerY = 77;
    Catch(CAPSULE_FLY_SHIP);
    EXPECT_EQ(SteerY, 77);
}

} // namespace
