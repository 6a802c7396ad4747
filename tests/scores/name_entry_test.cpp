// The name entry driven through the real key latches of the input layer:
// a latched key reads as down until the next clear, as a press in a frame.
#include "tests/scores/scores_fixture.h"

#include <string>
#include <vector>

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
    void Frame(const std::vector<int>& keys) {
        clearInputLatches();
        for (int key : keys)
            latchKey(key);
        NameCursor = NameEntryFrame(NameCursor);
    }
    // A press: one frame down, one frame up (where the character is taken).
    void Tap(const std::vector<int>& keys) {
        Frame(keys);
        Frame({});
    }
};

// What the frames of keys (each list the keys down in one frame) type.
TEST_F(NameEntryTest, KeysTypeOneCharacterPerPressOnItsRelease) {
    using Frames = std::vector<std::vector<int>>;
    const struct {
        const char* rule;
        Frames frames;
        const char* name;
    } rows[] = {
        {"nothing typed", {}, "__________"},
        {"backspace removes the last character",
         {{KA}, {}, {KB}, {}, {KBACKSPACE}, {}, {KC}, {}},
         "ac________"},
        {"held backspace deletes once",
         {{KA}, {}, {KB}, {}, {KBACKSPACE}, {KBACKSPACE}, {KBACKSPACE}, {}},
         "a_________"},
        {"backspace at the start deletes nothing",
         {{KA}, {}, {KBACKSPACE}, {}, {KBACKSPACE}, {}},
         "__________"},
        {"shift makes letters upper case but not digits",
         {{KLSHIFT, KA}, {}, {KLSHIFT, K1}, {}, {KNUMPAD_ADD}, {}, {KCOMMA}, {}},
         "A1+,______"},
        {"a blank inside the name", {{KA}, {}, {KSPACE}, {}, {KB}, {}}, "a b_______"},
        {"two keys held: nothing taken, queued once", {{KA, KB}, {KA, KB}}, "__________"},
        {"two keys in one frame: one per key-free frame", {{KA, KB}, {KA, KB}, {}}, "a_________"},
        {"and the second on the next", {{KA, KB}, {KA, KB}, {}, {}, {}}, "ab________"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        ResetTextKeys();
        EnterNameEntry();
        Frame({});
        EXPECT_EQ(GameState, GS_NAME_ENTRY);
        for (const std::vector<int>& keys : row.frames)
            Frame(keys);
        EXPECT_STREQ(PlayerName, row.name);
        const std::string typed(row.name);
        EXPECT_EQ(NameCursor, (int)typed.find_last_not_of('_') + 1);
    }
}

TEST_F(NameEntryTest, ReturnRecordsTheNameWithBlanksAsUnderscores) {
    score = 5000;
    Tap({KA});
    Tap({KSPACE});
    Tap({KB});
    Frame({KRETURN});
    EXPECT_EQ(GameState, GS_BACK_TO_MENU);
    EXPECT_STREQ(ScoreTable[0].name, "a_b");
    EXPECT_EQ(ScoreTable[0].score, 5000);
    EXPECT_TRUE(k3dtest::FileExists(dir.file("scores.txt")));
    EXPECT_NE(logText().find("Sending online score: "), std::string::npos);
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
        if (c.key == KSPACE)
            Frame({KRETURN});
        else
            Frame({c.key});
        EXPECT_EQ(GameState, GS_BACK_TO_MENU);
        EXPECT_EQ(ScoreTable[0].score, c.recordsOnSecondPress ? 777 : 0);
    }
}

} // namespace
