// Orvi/episode.pak: 52 records the stage builder can use.
#include "gameplay/gameplay.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using k3dtest::ReadWholeFile;

namespace {

const int RECORDS = 52, RECORD = 323, GRID = 16;

std::vector<std::string> Records() {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(std::string(K3D_GAME_DIR) + "/Orvi/episode.pak", &text));
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

int Cell(const std::string& record, int row, int col) {
    return record[3 + GRID * row + col] - '0';
}

// Every record is whole and fits the game's buffer; the stages are
// clearable, varied, leave the ship room and use every brick kind.
TEST(Layouts, RecordsFitTheGamesBufferAndStagesAreVariedAndLeaveTheShipRoom) {
    std::string text;
    ASSERT_TRUE(ReadWholeFile(std::string(K3D_GAME_DIR) + "/Orvi/episode.pak", &text));
    // The game reads at most 16848 characters: 52 lines of 323 plus LF.
    EXPECT_EQ(text.size(), static_cast<size_t>(RECORDS * (RECORD + 1)));
    std::vector<std::string> records = Records();
    ASSERT_EQ(records.size(), static_cast<size_t>(RECORDS));
    std::set<std::string> grids;
    bool used[13] = {false};
    int easy = 0, hard = 0;
    for (int r = 0; r < RECORDS; ++r) {
        const std::string& rec = records[r];
        ASSERT_EQ(rec.size(), static_cast<size_t>(RECORD)) << "record " << r;
        for (unsigned char ch : rec)
            EXPECT_TRUE(ch >= 32 && ch < 128) << "record " << r;
        int bricks = 0;
        for (int i = 0; i < GRID * GRID; ++i) {
            const int code = Cell(rec, i / GRID, i % GRID);
            ASSERT_TRUE(code >= 0 && code <= 12) << "record " << r << " cell " << i;
            if (code == 0) continue;
            ++bricks;
            used[code] = true;
            // The bottom four rows stay free above the ship.
            EXPECT_LT(i / GRID, 12) << "record " << r << " cell " << i;
        }
        EXPECT_GE(bricks, 20) << "record " << r;
        // The object table has 254 slots: keep room for capsules and balls.
        EXPECT_LE(bricks, 190) << "record " << r;
        easy += bricks < 70 ? 1 : 0;
        hard += bricks > 120 ? 1 : 0;
        grids.insert(rec.substr(3, GRID * GRID));
    }
    EXPECT_EQ(grids.size(), static_cast<size_t>(RECORDS)) << "every layout is its own";
    EXPECT_GE(easy, 5);
    EXPECT_GE(hard, 5);
    for (int code = 1; code <= 12; ++code)
        EXPECT_TRUE(used[code]) << "kind " << code;
}

// The game's own reader sees the same stages cell for cell.
TEST(Layouts, TheGamesEpisodeReaderSeesEveryCell) {
    std::vector<std::string> records = Records();
    ASSERT_EQ(records.size(), static_cast<size_t>(RECORDS));
    LoadEpisodeFile("Orvi/episode.pak");
    for (int r = 0; r < RECORDS; ++r)
        for (int row = 0; row < GRID; ++row)
            for (int col = 0; col < GRID; ++col)
                ASSERT_EQ(StageCell(r, row, col), Cell(records[r], row, col))
                    << "record " << r << " row " << row << " col " << col;
}

} // namespace
