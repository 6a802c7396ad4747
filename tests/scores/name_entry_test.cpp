// The name entry driven through the real key latches of the input layer:
// a latched key reads as down until the next clear, as a press in a frame.
#include "tests/scores/scores_fixture.h"

#include <initializer_list>

#include "gameplay/gameplay.h"
#include "shell/game_state.h"

namespace {

using scoretest::ScoresTest;

enum {
    KA = 25, // engine key numbers of the key table
    KB = 26,
    KC = 27,
    K1 = 52,
    KSPACE = 4,
    KLSHIFT = 5,
    KRETURN = 7,
    KBACKSPACE = 22,
    KESCAPE = 24,
    KNUMPAD_ADD = 72,
    KCOMMA = 84,
};

class NameEntryTest : public ScoresTest {
  protected:
    void SetUp() override {
        ScoresTest::SetUp();
        ResetTextKeys();
        clearInputLatches();
        EnterNameEntry();
        Frame({}); // the first attempt sets the typing flag for good
    }
    void TearDown() override {
        clearInputLatches();
        ScoresTest::TearDown();
    }
    // One frame with these keys down.
    void Frame(std::initializer_list<int> keys) {
        clearInputLatches();
        for (int key : keys)
            latchKey(key);
        NameCursor = NameEntryFrame(NameCursor);
    }
    // A press: one frame down, one frame up (where the character is taken).
    void Tap(std::initializer_list<int> keys) {
        Frame(keys);
        Frame({});
    }
};

TEST_F(NameEntryTest, StartsWithTenUnderscoresAndTheNameEntryState) {
    EXPECT_STREQ(PlayerName, "__________");
    EXPECT_EQ(NameCursor, 0);
    EXPECT_EQ(GameState, GS_NAME_ENTRY);
}

TEST_F(NameEntryTest, BackspaceRemovesTheLastCharacterAndReturnRecords) {
    score = 5000;
    Tap({KA});
    Tap({KB});
    Tap({KBACKSPACE});
    Tap({KC});
    EXPECT_STREQ(PlayerName, "ac________");
    EXPECT_EQ(NameCursor, 2);
    Frame({KRETURN});
    EXPECT_EQ(GameState, GS_BACK_TO_MENU);
    EXPECT_STREQ(ScoreTable[0].name, "ac");
    EXPECT_EQ(ScoreTable[0].score, 5000);
    EXPECT_TRUE(k3dtest::FileExists(dir.file("scores.txt")));
    EXPECT_NE(logText().find("Sending online score: "), std::string::npos);
}

TEST_F(NameEntryTest, HeldBackspaceDeletesOncePerPress) {
    Tap({KA});
    Tap({KB});
    Frame({KBACKSPACE});
    Frame({KBACKSPACE});
    Frame({KBACKSPACE});
    Frame({});
    EXPECT_STREQ(PlayerName, "a_________");
    Tap({KBACKSPACE});
    Tap({KBACKSPACE}); // at the start: nothing more to delete
    EXPECT_STREQ(PlayerName, "__________");
    EXPECT_EQ(NameCursor, 0);
}

TEST_F(NameEntryTest, ShiftMakesLettersUpperCaseButNotDigits) {
    Tap({KLSHIFT, KA});
    Tap({KLSHIFT, K1});
    Tap({KNUMPAD_ADD});
    Tap({KCOMMA});
    EXPECT_STREQ(PlayerName, "A1+,______");
}

TEST_F(NameEntryTest, BlankInsideTheNameIsRecordedAsUnderscore) {
    score = 10;
    Tap({KA});
    Tap({KSPACE});
    Tap({KB});
    EXPECT_STREQ(PlayerName, "a b_______");
    Frame({KRETURN});
    EXPECT_STREQ(ScoreTable[0].name, "a_b");
}

TEST_F(NameEntryTest, TwoKeysInOneFrameArriveOnePerKeyFreeFrame) {
    Frame({KA, KB});
    EXPECT_STREQ(PlayerName, "__________"); // keys held: nothing taken
    Frame({KA, KB});
    EXPECT_STREQ(PlayerName, "__________"); // still held: queued once only
    Frame({});
    EXPECT_STREQ(PlayerName, "a_________");
    Frame({});
    EXPECT_STREQ(PlayerName, "ab________");
    Frame({});
    EXPECT_STREQ(PlayerName, "ab________");
}

TEST_F(NameEntryTest, QueueHoldsEightAndTheNameTen) {
    // Twelve letters in one frame: eight queue, the rest wait for a slot.
    Frame({KA, KB, KC, 28, 29, 30, 31, 32, 33, 34, 35, 36});
    int queued = 0;
    for (int slot : KeyCharQueue)
        queued += slot != -1;
    EXPECT_EQ(queued, KEY_QUEUE_SIZE);
    for (int i = 0; i < 12; i++)
        Frame({});
    EXPECT_STREQ(PlayerName, "abcdefgh__");
    for (int key = 37; key < 41; key++)
        Tap({key}); // m n o p: the last two drop
    EXPECT_STREQ(PlayerName, "abcdefghmn");
    EXPECT_EQ(NameCursor, MAX_PLAYER_NAME);
}

TEST_F(NameEntryTest, EscapeLeavesWithoutRecording) {
    score = 999999;
    Tap({KA});
    Frame({KESCAPE});
    EXPECT_EQ(GameState, GS_BACK_TO_MENU);
    EXPECT_EQ(ScoreTable[0].score, 0);
    EXPECT_STREQ(ScoreTable[0].name, "");
    EXPECT_FALSE(k3dtest::FileExists(dir.file("scores.txt")));
    EXPECT_EQ(logText().find("Sending online score: "), std::string::npos);
}

TEST_F(NameEntryTest, ReturnBeforeAnyCharacterRecordsAnUnderscore) {
    score = 42;
    Frame({KRETURN});
    EXPECT_STREQ(ScoreTable[0].name, "_");
    ClearScoreTable();
    ASSERT_TRUE(LoadScoreFile());
    EXPECT_STREQ(ScoreTable[0].name, "_");
    EXPECT_EQ(ScoreTable[0].score, 42);
}

// The game ends in the middle of play, often with fire (Space, Return) or
// Escape still held: such a key must be let go before it acts here.
struct HeldKeyCase {
    const char* rule;
    int key;
    const char* nameAfterRelease; // the name once the key is up, "x" typed
    bool recordsOnSecondPress;
};

TEST_F(NameEntryTest, KeyHeldIntoNameEntryWaitsToBeLetGo) {
    const HeldKeyCase cases[] = {
        {"held Return neither records nor leaves", KRETURN, "x_________", true},
        {"held Escape does not give up", KESCAPE, "x_________", false},
        {"held Space types no blank", KSPACE, "x_________", true},
    };
    const int KX = 48;
    for (const HeldKeyCase& c : cases) {
        SCOPED_TRACE(c.rule);
        ClearScoreTable();
        score = 777;
        clearInputLatches();
        latchKey(c.key);
        EnterNameEntry(); // the key is down as the game ends
        for (int i = 0; i < 3; i++)
            Frame({c.key});
        EXPECT_EQ(GameState, GS_NAME_ENTRY);
        EXPECT_EQ(ScoreTable[0].score, 0);
        Frame({});
        Tap({KX});
        EXPECT_STREQ(PlayerName, c.nameAfterRelease);
        // Pressed anew, the key does its work.
        if (c.key == KSPACE) Frame({KRETURN});
        else Frame({c.key});
        EXPECT_EQ(GameState, GS_BACK_TO_MENU);
        EXPECT_EQ(ScoreTable[0].score, c.recordsOnSecondPress ? 777 : 0);
    }
}

} // namespace
