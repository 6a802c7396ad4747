// The server's rules on their own, no socket: the message decoder, the
// query parser and the token bucket (driven by a clock of the test's own).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scores/scores.h"
#include "server/score_server.h"

namespace {

// The text reversed, then its check character: what the game builds from
// name@score, built here by hand for texts the game never makes.
std::string RawMessage(const std::string& m) {
    return std::string(m.rbegin(), m.rend()) + (char)MessageCheck(m);
}

std::string GameMessage(const char* name, int32_t points) {
    char message[SCORE_MESSAGE_BUFFER];
    BuildScoreMessage(name, points, message);
    return message;
}

TEST(MessageRulesTest, VerdictPerMessage) {
    std::string badCheck = GameMessage("bob", 7);
    badCheck.back()++;
    struct Row {
        const char* rule;
        std::string message;
        MessageVerdict verdict;
    } rows[] = {
        {"the game's own message", GameMessage("bob", 7), MESSAGE_OK},
        {"every name character", GameMessage("aZ09_*+-/,", 100000000), MESSAGE_OK},
        {"score 0", GameMessage("z", 0), MESSAGE_OK},
        {"check changed", badCheck, MESSAGE_BAD_CHECK},
        {"too short", "a@", MESSAGE_BAD_LENGTH},
        {"longer than the game's buffer", RawMessage(std::string(130, 'a') + "@1"),
         MESSAGE_BAD_LENGTH},
        {"no at sign", RawMessage("bob7"), MESSAGE_BAD_FORM},
        {"no digits", RawMessage("bob@"), MESSAGE_BAD_FORM},
        {"leading zero", RawMessage("bob@07"), MESSAGE_BAD_FORM},
        {"blank in the number", RawMessage("bob@ 7"), MESSAGE_BAD_FORM},
        {"plus sign", RawMessage("bob@+7"), MESSAGE_BAD_FORM},
        {"above 100000000", GameMessage("bob", 100000001), MESSAGE_BAD_SCORE},
        {"negative", GameMessage("bob", -5), MESSAGE_BAD_SCORE},
        {"far above", RawMessage("bob@99999999999999999999"), MESSAGE_BAD_SCORE},
        {"empty name", RawMessage("@17"), MESSAGE_BAD_NAME},
        {"eleven characters", GameMessage("abcdefghijk", 7), MESSAGE_BAD_NAME},
        {"blank in the name", GameMessage("b b", 7), MESSAGE_BAD_NAME},
        {"quote in the name", GameMessage("x';--", 7), MESSAGE_BAD_NAME},
        {"at sign in the name", GameMessage("a@b", 7), MESSAGE_BAD_NAME},
        {"UTF-8 in the name", GameMessage("caf\xc3\xa9", 7), MESSAGE_BAD_NAME},
        {"NUL in the name", RawMessage(std::string("a\0b@7", 5)), MESSAGE_BAD_NAME},
    };
    for (const Row& row : rows) {
        std::string name = "unset";
        long score = -1;
        EXPECT_EQ(DecodeMessage(row.message, &name, &score), row.verdict) << row.rule;
        if (row.verdict != MESSAGE_OK) {
            EXPECT_EQ(name, "unset") << row.rule;
        }
    }
    std::string name;
    long score = 0;
    ASSERT_EQ(DecodeMessage(GameMessage("aZ09_*+-/,", 100000000), &name, &score), MESSAGE_OK);
    EXPECT_EQ(name, "aZ09_*+-/,");
    EXPECT_EQ(score, 100000000);
}

TEST(QueryRulesTest, TargetsSplitAndDecode) {
    using Params = std::vector<std::pair<std::string, std::string>>;
    struct Row {
        const char* target;
        bool parsed;
        const char* path;
        Params params;
    } rows[] = {
        {"/p", true, "/p", {}},
        {"/p?", true, "/p", {}},
        {"/p?msg=a%3Db", true, "/p", {{"msg", "a=b"}}},
        {"/p?msg=ab=", true, "/p", {{"msg", "ab="}}}, // an unescaped '=' stays in the value
        {"/p?msg==", true, "/p", {{"msg", "="}}},
        {"/p?msg=a+b%2B", true, "/p", {{"msg", "a b+"}}},
        {"/p?msg=1&msg=2", true, "/p", {{"msg", "1"}, {"msg", "2"}}},
        {"/p?msg", true, "/p", {{"msg", ""}}},
        {"/p?&&msg=x&", true, "/p", {{"msg", "x"}}},
        {"/a%20b?%6Dsg=%00", true, "/a b", {{"msg", std::string(1, '\0')}}},
        {"/p?msg=%ZZ", false, "", {}},
        {"/p?msg=%4", false, "", {}},
        {"/p?msg=%", false, "", {}},
        {"/p%?msg=x", false, "", {}},
    };
    for (const Row& row : rows) {
        std::string path;
        Params params;
        ASSERT_EQ(ParseTarget(row.target, &path, &params), row.parsed) << row.target;
        if (!row.parsed) continue;
        EXPECT_EQ(path, row.path) << row.target;
        EXPECT_EQ(params, row.params) << row.target;
    }
}

TEST(SubmitLimitTest, BucketHoldsTheRateAndRefillsWithTime) {
    SubmitLimiter limiter(3); // three a minute: one token every 20 s
    const double t0 = 1000;
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(limiter.take("10.0.0.1", t0)) << i;
    EXPECT_FALSE(limiter.take("10.0.0.1", t0));
    EXPECT_TRUE(limiter.take("10.0.0.2", t0)); // another client has its own bucket
    EXPECT_FALSE(limiter.take("10.0.0.1", t0 + 19.9));
    EXPECT_TRUE(limiter.take("10.0.0.1", t0 + 20.1));
    EXPECT_FALSE(limiter.take("10.0.0.1", t0 + 20.2));
    // A long pause fills the bucket to its size, not beyond.
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(limiter.take("10.0.0.1", t0 + 3600)) << i;
    EXPECT_FALSE(limiter.take("10.0.0.1", t0 + 3600));
    // A clock that steps back takes nothing away and gives nothing.
    EXPECT_FALSE(limiter.take("10.0.0.1", t0));
}

TEST(SubmitLimitTest, ZeroTurnsTheLimitOffAndTheClientTableStaysBounded) {
    SubmitLimiter off(0);
    for (int i = 0; i < 1000; i++)
        ASSERT_TRUE(off.take("10.0.0.1", 0));
    SubmitLimiter limiter(10);
    for (int i = 0; i < 20000; i++)
        limiter.take("client" + std::to_string(i), i * 0.001);
    EXPECT_LE(limiter.clientCount(), 4096u);
    EXPECT_TRUE(limiter.take("last", 20));
}

TEST(TableRulesTest, ReplyDecodesToCountNamesAndScores) {
    std::string reply = EncodeTable({{"ann", 300}, {"bo", 20}});
    std::string text;
    for (size_t i = reply.size() - 1; i-- > 0;)
        text.push_back(DecodeReplyChar(reply[i]));
    EXPECT_EQ(text, "2 ann 300 bo 20");
    EXPECT_EQ(reply.back(), '.');
    ScoreTable[5].score = 1;
    ParseOnlineScores(reply.c_str()); // and the game reads it so
    EXPECT_STREQ(ScoreTable[1].name, "bo");
    EXPECT_EQ(ScoreTable[5].score, 0);
}

} // namespace
