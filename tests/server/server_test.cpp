// The real k3d-score-server on a free loopback port with a database of the
// test's own: what it refuses, what it keeps, and how it stops.
#include <gtest/gtest.h>

#include <httplib.h>
#include <sqlite3.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "scores/scores.h"
#include "tests/scores/score_server_process.h"
#include "tests/support/test_support.h"

namespace {

// A query value escaped by the game's own code.
std::string Encode(const std::string& text) {
    char out[2048];
    EXPECT_TRUE(EncodeQueryValue(text.c_str(), out, sizeof out));
    return out;
}

// The text reversed, then its check character.
std::string RawMessage(const std::string& m) {
    std::string reversed(m.rbegin(), m.rend());
    return reversed + (char)ScoreMessageCheck(m.c_str());
}

std::string Message(const std::string& name, long long points) {
    return RawMessage(name + "@" + std::to_string(points));
}

// The decoded table text, "count name score ...".
std::string DecodeTable(const std::string& reply) {
    std::string text;
    if (reply.empty()) return text;
    for (size_t i = reply.size() - 1; i-- > 0;)
        text.push_back(DecodeReplyChar(reply[i]));
    return text;
}

long long CountRows(const std::string& database) {
    sqlite3* db = nullptr;
    long long count = -1;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM scores;", -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            count = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return count;
}

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        database = dir.file("scores.db");
        ASSERT_TRUE(server.start(database)) << server.log();
    }
    int Get(const std::string& target, std::string* body = nullptr) {
        httplib::Client client("127.0.0.1", server.port());
        client.set_url_encode(false);
        client.set_connection_timeout(2, 0);
        client.set_read_timeout(5, 0);
        auto result = client.Get(target.c_str());
        if (!result) return -1;
        if (body) *body = result->body;
        return result->status;
    }
    int Send(const std::string& rawMessage) {
        return Get("/scoring/k3/k3score.php?msg=" + rawMessage);
    }
    std::string Table() {
        std::string body;
        EXPECT_EQ(Get("/scoring/k3/k3score.php", &body), 200);
        return DecodeTable(body);
    }

    k3dtest::TempDir dir;
    std::string database;
    scoretest::ServerProcess server;
};

TEST_F(ServerTest, EmptyDatabaseAnswersCountZero) {
    EXPECT_EQ(Table(), "0");
    EXPECT_TRUE(k3dtest::FileExists(database));
}

TEST_F(ServerTest, KeepsTheBestTenNewestFirstAmongEquals) {
    EXPECT_EQ(Send(Encode(Message("old", 500))), 200);
    EXPECT_EQ(Send(Encode(Message("new", 500))), 200);
    EXPECT_EQ(Send(Encode(Message("Top_1", 100000000))), 200);
    EXPECT_EQ(Send(Encode(Message("zero", 0))), 200);
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(Send(Encode(Message("f" + std::to_string(i), 10))), 200);
    EXPECT_EQ(Table(), "10 Top_1 100000000 new 500 old 500 f8 10 f7 10 f6 10 f5 10 f4 10 f3 10 "
                       "f2 10");
    EXPECT_EQ(CountRows(database), 13); // every accepted score is kept
}

TEST_F(ServerTest, MalformedMessagesAreRefusedAndNothingIsStored) {
    std::string good = Message("bob", 7);
    std::string badCheck = good;
    badCheck.back() = (char)(badCheck.back() + 1);
    std::vector<std::string> refused = {
        Encode(badCheck),
        Encode(RawMessage("bob7")), // no "@"
        Encode(Message("b b", 7)),
        Encode(Message("bob", 100000001)),
        Encode(Message("bob", -5)),
        Encode(Message("bob", 99999999999LL)),
        Encode(RawMessage("bob@07")), // not a plain decimal number
        Encode(RawMessage("bob@")),
        Encode(RawMessage("bob@ 7")),
        Encode(Message("", 7)),
        Encode(Message("abcdefghijk", 7)),
        Encode(Message("x';DROP TABLE scores;--", 7)),
        Encode(Message(std::string(200, 'a'), 7)),
        "%ZZ%00%FF",
        "%00" + Encode(good),
        Encode(Message("caf\xc3\xa9", 7)),
        "",
    };
    for (const std::string& message : refused)
        EXPECT_EQ(Send(message), 400) << message;
    EXPECT_EQ(
        Get("/scoring/k3/k3score.php?msg=" + Encode(good) + "&msg=" + Encode(Message("eve", 8))),
        400);
    EXPECT_EQ(Get("/scoring/k3/k3score.php?other=1"), 400);
    EXPECT_EQ(Get("/elsewhere"), 404);
    EXPECT_EQ(Table(), "0");
    EXPECT_EQ(CountRows(database), 0);
    EXPECT_EQ(Send(Encode(good)), 200);
    EXPECT_EQ(Table(), "1 bob 7");
}

TEST_F(ServerTest, ConcurrentBurstLosesNothing) {
    const int threads = 8, each = 25;
    std::atomic<int> accepted(0);
    std::vector<std::thread> senders;
    for (int t = 0; t < threads; t++) {
        senders.emplace_back([this, t, &accepted] {
            httplib::Client client("127.0.0.1", server.port());
            client.set_url_encode(false);
            client.set_connection_timeout(2, 0);
            client.set_read_timeout(10, 0);
            for (int i = 0; i < each; i++) {
                std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
                auto result = client.Get(
                    ("/scoring/k3/k3score.php?msg=" + Encode(Message(name, t * 1000 + i))).c_str());
                if (result && result->status == 200) accepted++;
            }
        });
    }
    for (std::thread& s : senders)
        s.join();
    EXPECT_EQ(accepted.load(), threads * each);
    EXPECT_EQ(CountRows(database), threads * each);
    EXPECT_EQ(Table().substr(0, 15), "10 t7_24 7024 t");
}

TEST_F(ServerTest, StopsCleanlyOnSigtermAndARestartKeepsTheScores) {
    EXPECT_EQ(Send(Encode(Message("ann", 300))), 200);
    EXPECT_EQ(server.stop(), 0);
    EXPECT_NE(server.log().find("stopped"), std::string::npos);
    EXPECT_FALSE(k3dtest::FileExists(database + "-wal")); // checkpointed on close
    ASSERT_TRUE(server.start(database)) << server.log();
    EXPECT_EQ(Table(), "1 ann 300");
}

TEST_F(ServerTest, LogsOneLinePerRequest) {
    for (int i = 0; i < 3; i++)
        Table();
    Send("junk");
    EXPECT_EQ(server.waitForLog(" GET /", 4), 4);
    EXPECT_NE(server.log().find("GET /scoring/k3/k3score.php?msg=junk 400"), std::string::npos);
}

TEST(ServerStartTest, RefusesABadCommandLineAndABusyPort) {
    k3dtest::TempDir dir;
    const std::string binary = std::string(K3D_GAME_DIR) + "/k3d-score-server";
    EXPECT_NE(std::system((binary + " --port banana 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((binary + " --what 1 2>/dev/null").c_str()), 0);
    scoretest::ServerProcess first;
    ASSERT_TRUE(first.start(dir.file("a.db")));
    std::string busy = binary + " --port " + std::to_string(first.port()) + " --db " +
                       dir.file("b.db") + " >/dev/null 2>&1";
    EXPECT_NE(std::system(busy.c_str()), 0);
}

} // namespace
