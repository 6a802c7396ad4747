// Stage building and the ship's width: the cells of a layout and the
// width's floor.
#include <cmath>

#include "tests/gameplay/gameplay_fixture.h"

namespace {

using gameplaytest::GameplayTest;

class StageRules : public GameplayTest {
  protected:
    void SetUp() override {
        GameplayTest::SetUp();
        memset(EpisodeText, '0', sizeof EpisodeText);
        for (int i = 0; i < STAGE_COUNT; ++i)
            StageOrder[i] = i;
    }
    void TearDown() override {
        memset(EpisodeText, 0, sizeof EpisodeText);
        GameplayTest::TearDown();
    }
    static void SetCell(int record, int row, int column, char c) {
        EpisodeText[STAGE_RECORD_SIZE * record + STAGE_GRID_OFFSET + STAGE_GRID * row + column] = c;
    }
};

struct CellCase {
    const char* rule;
    int row, column;
    char cell;
    int mesh; // 0: no brick
    float x, y;
};

TEST_F(StageRules, CellsBecomeBricksInColumnOrder) {
    const CellCase cells[] = {
        {"(0, 0) at the top left", 0, 0, '1', 36, -2.2727f, 2.0f},
        {"(3, 0) below it, next in order", 3, 0, '9', 44, -2.2727f, 1.25f},
        {"\"<\" is brique12", 1, 2, '<', 47, 2 / 3.3f - 2.2727f, 1.75f},
        {"above \"<\" is brique12 too", 2, 2, '=', 47, 2 / 3.3f - 2.2727f, 1.5f},
        {"(15, 15) at the bottom right", 15, 15, ':', 45, 2.2727f, -1.75f},
        {"\"0\" is empty", 7, 7, '0', 0, 0.0f, 0.0f},
    };
    StageOrder[1] = 17; // stage 1 plays record StageOrder[1]
    for (const CellCase& c : cells)
        SetCell(17, c.row, c.column, c.cell);
    BuildStage();
    int n = 1;
    for (const CellCase& c : cells) {
        SCOPED_TRACE(c.rule);
        if (c.mesh == 0) continue;
        const int slot = FindEntity(TYPE_BRICK, n++);
        ASSERT_NE(slot, ENTITY_NONE);
        const Entity& e = EntityTable[slot];
        EXPECT_EQ(e.kind, (uint32_t)(c.mesh - MESH_BRICK_FIRST));
        EXPECT_NEAR(e.position[0], c.x, 1e-4f);
        EXPECT_NEAR(e.position[1], c.y, 1e-4f);
        EXPECT_FLOAT_EQ(e.scale[0], 0.6f);
        EXPECT_FLOAT_EQ(e.scale[1], 2.0f);
        EXPECT_FLOAT_EQ(e.scale[2], 2.0f) << "every brick is 2 deep below Delirium!";
    }
    EXPECT_EQ(Count(TYPE_BRICK), 5);
}

class PlayerRules : public GameplayTest {};

TEST_F(PlayerRules, ShipWidthScalesWithAFloorAndNoCeiling) {
    struct WidthCase {
        const char* rule;
        float factor;
        int times;
        float expect;
    };
    const WidthCase cases[] = {
        {"0.8 eight times stops at 0.2", 0.8f, 8, 0.2f},
        {"0.8 twice", 0.8f, 2, 0.64f},
        {"1.5 four times has no ceiling", 1.5f, 4, 5.0625f},
    };
    for (const WidthCase& c : cases) {
        SCOPED_TRACE(c.rule);
        ClearEntities();
        const int ship = Ship();
        for (int i = 0; i < c.times; ++i)
            ScaleShipWidth(ship, c.factor);
        EXPECT_NEAR(EntityTable[ship].scale[0], c.expect, 1e-5f);
    }
}

} // namespace
