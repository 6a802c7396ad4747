// The top-ten rules and the two files, on real files in a game directory
// of the test's own.
#include "tests/scores/scores_fixture.h"

#include <cstdio>
#include <sys/stat.h>

#include "gameplay/gameplay.h"

namespace {

using scoretest::ScoresTest;

std::string ReadFile(const std::string& path) {
    std::string bytes;
    k3dtest::ReadWholeFile(path, &bytes);
    return bytes;
}

TEST_F(ScoresTest, ScoreEqualToTheTenthEntersAtPositionNineAndDropsIt) {
    FillTable();
    pendingScore = 5000; // still rolling: not counted
    score = 100;
    std::snprintf(PlayerName, sizeof PlayerName, "%s", "new_______");
    RecordScore();
    EXPECT_STREQ(ScoreTable[9].name, "new");
    EXPECT_EQ(ScoreTable[9].score, 100);
    EXPECT_STREQ(ScoreTable[8].name, "p9");
    EXPECT_TRUE(k3dtest::FileExists(dir.file("scores.txt")));
    EXPECT_NE(logText().find("Sending online score: "), std::string::npos);
    pendingScore = 0;
}

TEST_F(ScoresTest, ScoreBelowTheTenthIsNeitherRecordedSentNorSaved) {
    FillTable();
    score = 99;
    std::snprintf(PlayerName, sizeof PlayerName, "%s", "low_______");
    RecordScore();
    for (int i = 0; i < SCORE_TABLE_SIZE; i++)
        EXPECT_EQ(ScoreTable[i].score, 1000 - 100 * i);
    EXPECT_STREQ(ScoreTable[9].name, "p10");
    EXPECT_FALSE(k3dtest::FileExists(dir.file("scores.txt")));
    EXPECT_EQ(logText().find("Sending online score: "), std::string::npos);
}

TEST_F(ScoresTest, EqualScoresGoAboveOlderOnes) {
    FillTable();
    EXPECT_EQ(InsertScore("same", 500), 5);
    EXPECT_STREQ(ScoreTable[5].name, "same");
    EXPECT_STREQ(ScoreTable[6].name, "p6");
    EXPECT_EQ(ScoreTable[6].score, 500);
    EXPECT_EQ(InsertScore("top", 2000), 0);
    EXPECT_STREQ(ScoreTable[1].name, "p1");
    EXPECT_EQ(ScoreTablePosition(300), 9); // above the older 300 in the last place
    EXPECT_EQ(ScoreTablePosition(299), SCORE_TABLE_SIZE);
}

TEST_F(ScoresTest, NamesAreCleanedAtTheFirstUnderscore) {
    char out[SCORE_NAME_SIZE];
    CleanPlayerName("ab_cd_____", out);
    EXPECT_STREQ(out, "ab");
    CleanPlayerName("a b c_____", out);
    EXPECT_STREQ(out, "a_b_c");
    CleanPlayerName("__________", out);
    EXPECT_STREQ(out, "_");
    CleanPlayerName("abcdefghijklmnop", out); // never past ten characters
    EXPECT_STREQ(out, "abcdefghij");
}

TEST_F(ScoresTest, CheckByteRuleAtItsBounds) {
    EXPECT_EQ(ScoreCheckByte(0), 0);
    EXPECT_EQ(ScoreCheckByte(1), 1);
    EXPECT_EQ(ScoreCheckByte(255), 255);
    EXPECT_EQ(ScoreCheckByte(256), 1);
    EXPECT_EQ(ScoreCheckByte(510), 255);
    EXPECT_EQ(ScoreCheckByte(511), 1);
    EXPECT_EQ(ScoreCheckByte(765), 255);
}

TEST_F(ScoresTest, FileRoundTripKeepsEveryEntry) {
    FillTable();
    std::snprintf(ScoreTable[3].name, sizeof ScoreTable[3].name, "%s", "Zed-9*/+,_");
    ScoreTable[0].score = 2147483647;
    SaveScoreFile();
    const std::string bytes = ReadFile(dir.file("scores.txt"));
    ASSERT_FALSE(bytes.empty());
    // Scrambled: no byte of the text reads back as the plain table, none is 0.
    EXPECT_EQ(bytes.find("p1"), std::string::npos);
    EXPECT_EQ(bytes.find('\0'), std::string::npos);
    EXPECT_FALSE(k3dtest::FileExists(dir.file("scores.txt.tmp")));

    ScoreEntry saved[SCORE_TABLE_SIZE];
    std::memcpy(saved, ScoreTable, sizeof saved);
    ClearScoreTable();
    ASSERT_TRUE(LoadScoreFile());
    for (int i = 0; i < SCORE_TABLE_SIZE; i++) {
        EXPECT_EQ(ScoreTable[i].score, saved[i].score) << i;
        EXPECT_STREQ(ScoreTable[i].name, saved[i].name) << i;
    }
}

TEST_F(ScoresTest, OneChangedByteMakesTheFileIgnored) {
    FillTable();
    SaveScoreFile();
    const std::string good = ReadFile(dir.file("scores.txt"));
    for (size_t at : {(size_t)0, good.size() / 2, good.size() - 1}) {
        std::string bad = good;
        bad[at] = (char)(bad[at] + 1);
        ASSERT_TRUE(k3dtest::WriteWholeFile(dir.file("scores.txt"), bad));
        ClearScoreTable();
        ScoreTable[0].score = 77;
        EXPECT_FALSE(LoadScoreFile()) << at;
        EXPECT_EQ(ScoreTable[0].score, 77) << at;
        EXPECT_STREQ(ScoreTable[1].name, "") << at;
    }
}

TEST_F(ScoresTest, MissingEmptyOrOversizedFileLeavesTheTable) {
    FillTable();
    EXPECT_FALSE(LoadScoreFile());
    EXPECT_EQ(ScoreTable[0].score, 1000);
    ASSERT_TRUE(k3dtest::WriteWholeFile(dir.file("scores.txt"), ""));
    EXPECT_FALSE(LoadScoreFile());
    // A valid table padded past the 512-byte buffer: refused, not cut.
    SaveScoreFile();
    std::string bytes = ReadFile(dir.file("scores.txt"));
    ASSERT_TRUE(k3dtest::WriteWholeFile(dir.file("scores.txt"), std::string(600, '\x9f') + bytes));
    ClearScoreTable();
    EXPECT_FALSE(LoadScoreFile());
    EXPECT_EQ(ScoreTable[0].score, 0);
    EXPECT_NE(logText().find("scores.txt"), std::string::npos);
}

TEST_F(ScoresTest, SaveReplacesTheOldFileWhole) {
    FillTable();
    SaveScoreFile();
    const std::string first = ReadFile(dir.file("scores.txt"));
    ClearScoreTable();
    InsertScore("solo", 5);
    SaveScoreFile();
    const std::string second = ReadFile(dir.file("scores.txt"));
    EXPECT_LT(second.size(), first.size());
    ClearScoreTable();
    ASSERT_TRUE(LoadScoreFile());
    EXPECT_STREQ(ScoreTable[0].name, "solo");
    EXPECT_EQ(ScoreTable[1].score, 0);
}

TEST_F(ScoresTest, ScoreBlockRoundTripsItsBytes) {
    for (int i = 0; i < SCORE_BLOCK_SIZE; i++)
        ScoreBlock[i] = (uint8_t)(i * 7 + 1);
    SaveScoreBlock(); // no Orvi folder yet: skipped silently
    EXPECT_FALSE(k3dtest::FileExists(dir.file("Orvi/scores.dat")));
    ASSERT_EQ(mkdir(dir.file("Orvi").c_str(), 0755), 0);
    SaveScoreBlock();
    EXPECT_EQ(ReadFile(dir.file("Orvi/scores.dat")).size(), (size_t)SCORE_BLOCK_SIZE);
    std::memset(ScoreBlock, 0, sizeof ScoreBlock);
    LoadScoreBlock();
    for (int i = 0; i < SCORE_BLOCK_SIZE; i++)
        ASSERT_EQ(ScoreBlock[i], (uint8_t)(i * 7 + 1));
    EXPECT_NE(logText().find("Loading:  Orvi/scores.dat"), std::string::npos);
    std::memset(ScoreBlock, 0, sizeof ScoreBlock);
}

} // namespace
