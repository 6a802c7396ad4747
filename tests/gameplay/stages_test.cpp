// The episode file reader: line ends of either kind read to the same cells.
#include <gtest/gtest.h>

#include <string>

#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

class EpisodeFile : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = GetExeDirectory();
        SetExeDirectory(dir_.path().c_str());
    }
    void TearDown() override {
        SetExeDirectory(saved_.c_str());
        LoadEpisodeFile("no-such-episode.pak"); // leave every stage empty
    }

    void Load(const std::string& bytes) {
        ASSERT_TRUE(k3dtest::WriteWholeFile(dir_.file("episode.pak"), bytes));
        LoadEpisodeFile("episode.pak");
    }

    k3dtest::TempDir dir_;
    std::string saved_;
};

// Cell i of record r holds code (r + i) % 13, so neighbours always differ.
char CellChar(int record, int cell) {
    return static_cast<char>('0' + (record + cell) % 13);
}

// Every record on two lines, the three lead characters and the grid, then
// the 64 unread ones: twice the line ends of the usual layout.
std::string SplitRecords(const char* lineEnd) {
    std::string text;
    for (int r = 0; r < STAGE_COUNT; ++r) {
        text += "r:";
        text += static_cast<char>('A' + r % 26);
        for (int i = 0; i < STAGE_GRID * STAGE_GRID; ++i)
            text += CellChar(r, i);
        text += lineEnd;
        text += std::string(STAGE_RECORD_SIZE - STAGE_GRID_OFFSET - STAGE_GRID * STAGE_GRID, '-');
        text += lineEnd;
    }
    return text;
}

} // namespace

// The CR LF file is longer in bytes than the 16848-character limit reaches
// in its LF twin; a CR LF pair still counts as one character, so the last
// record's grid is read in full from both.
TEST_F(EpisodeFile, CrLfAndLfFilesGiveTheSameCellsUpToTheLastRecord) {
    int lf[STAGE_COUNT][STAGE_GRID * STAGE_GRID];
    Load(SplitRecords("\n"));
    for (int r = 0; r < STAGE_COUNT; ++r)
        for (int i = 0; i < STAGE_GRID * STAGE_GRID; ++i) {
            lf[r][i] = StageCell(r, i / STAGE_GRID, i % STAGE_GRID);
            ASSERT_EQ(lf[r][i], CellChar(r, i) - '0') << "record " << r << " cell " << i;
        }

    Load(SplitRecords("\r\n"));
    for (int r = 0; r < STAGE_COUNT; ++r)
        for (int i = 0; i < STAGE_GRID * STAGE_GRID; ++i)
            ASSERT_EQ(StageCell(r, i / STAGE_GRID, i % STAGE_GRID), lf[r][i])
                << "record " << r << " cell " << i;
}

// A CR that does not start a pair is a character of its own, dropped like
// any control byte: the character after it is kept, even another CR.
TEST_F(EpisodeFile, LoneCarriageReturnsAreDroppedWithoutLosingTheirNeighbours) {
    std::string text = "r\r:A";
    for (int i = 0; i < STAGE_GRID * STAGE_GRID; ++i) {
        if (i == 17) text += "\r\r";
        text += CellChar(0, i);
    }
    text += '\r'; // the very last byte
    Load(text);
    for (int i = 0; i < STAGE_GRID * STAGE_GRID; ++i)
        ASSERT_EQ(StageCell(0, i / STAGE_GRID, i % STAGE_GRID), CellChar(0, i) - '0') << i;
    EXPECT_EQ(StageCell(1, 0, 0), 0) << "nothing past the end of the file";
}

// Without the file the text stays empty and the stage order is left as it
// was: no random number is drawn for a shuffle of nothing.
TEST_F(EpisodeFile, MissingFileLeavesTheOrderAndTheRandomSequenceAlone) {
    Load(SplitRecords("\n"));
    int32_t before[STAGE_COUNT];
    for (int i = 0; i < STAGE_COUNT; ++i)
        before[i] = StageOrder[i];
    srand(77);
    const int expected = rand();
    srand(77);
    LoadEpisodeFile("no-such-episode.pak");
    EXPECT_EQ(rand(), expected);
    for (int i = 0; i < STAGE_COUNT; ++i)
        EXPECT_EQ(StageOrder[i], before[i]) << i;
    EXPECT_EQ(StageCell(0, 0, 0), 0) << "the text is emptied";
}
