// The real k3d-score-server on a free loopback port, against each store: a
// SQLite file of the test's own, and a fresh database on the PostgreSQL the
// test command starts (K3D_TEST_POSTGRES). Requests are built by the game's
// own code; what the server refuses, what it keeps, and how it stops.
#include <gtest/gtest.h>

#include <httplib.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "scores/khttp_fetch.h"
#include "scores/scores.h"
#include "tests/scores/scores_fixture.h"
#include "tests/scores/score_server_process.h"
#include "tests/support/test_support.h"

namespace {

const char* const Path = "/scoring/k3/k3score.php";

// A query value escaped by the game's own code.
std::string Encode(const std::string& text) {
    char out[2048];
    EXPECT_TRUE(EncodeQueryValue(text.c_str(), out, sizeof out));
    return out;
}

std::string Message(const std::string& name, long long points) {
    char message[SCORE_MESSAGE_BUFFER];
    BuildScoreMessage(name.c_str(), (int32_t)points, message);
    return message;
}

// The target the game requests to send a score.
std::string SendTarget(const std::string& name, long long points) {
    char url[HTTP_URL_BUFFER];
    EXPECT_TRUE(BuildScoreUrl(name.c_str(), (int32_t)points, url));
    std::string text = url;
    return text.substr(text.find(Path));
}

// The decoded table text, "count name score ...".
std::string DecodeTable(const std::string& reply) {
    std::string text;
    if (reply.empty()) return text;
    for (size_t i = reply.size() - 1; i-- > 0;)
        text.push_back(DecodeReplyChar(reply[i]));
    return text;
}

// One database of either kind, made for one test and dropped after it.
class TestDatabase {
  public:
    // False (and a reason) when the kind is not available here.
    bool make(const std::string& kind, const k3dtest::TempDir& dir, std::string* why) {
        kind_ = kind;
        if (kind == "sqlite") {
            url_ = dir.file("scores.db");
            return true;
        }
        const char* admin = std::getenv("K3D_TEST_POSTGRES");
        if (!admin || !*admin) {
            *why = "K3D_TEST_POSTGRES is not set: scripts/run-tests starts a PostgreSQL and "
                   "sets it";
            return false;
        }
        admin_ = admin;
        static int counter = 0;
        name_ = "k3d_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
        if (!adminCommand("CREATE DATABASE " + name_)) {
            *why = "cannot create a database on " + admin_;
            return false;
        }
        // The admin URL with our database in place of its own.
        size_t slash = admin_.find('/', admin_.find("://") + 3);
        size_t query = admin_.find('?');
        url_ = admin_.substr(0, slash) + "/" + name_ +
               (query == std::string::npos ? "" : admin_.substr(query));
        return true;
    }
    ~TestDatabase() {
        if (!name_.empty()) adminCommand("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    }
    const std::string& url() const { return url_; }
    bool postgres() const { return kind_ == "postgresql"; }

    // One number from the store itself, or -1.
    long long query(const std::string& sql) {
        long long value = -1;
        if (!postgres()) {
            sqlite3* db = nullptr;
            if (sqlite3_open_v2(url_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
                sqlite3_stmt* s = nullptr;
                if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
                    sqlite3_step(s) == SQLITE_ROW)
                    value = sqlite3_column_int64(s, 0);
                sqlite3_finalize(s);
            }
            sqlite3_close(db);
            return value;
        }
        PGconn* conn = PQconnectdb(url_.c_str());
        PGresult* result = PQexec(conn, sql.c_str());
        if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1)
            value = std::atoll(PQgetvalue(result, 0, 0));
        PQclear(result);
        PQfinish(conn);
        return value;
    }
    long long rows() { return query("SELECT COUNT(*) FROM scores"); }

  private:
    bool adminCommand(const std::string& sql) {
        PGconn* conn = PQconnectdb(admin_.c_str());
        PGresult* result = PQexec(conn, sql.c_str());
        bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
        PQfinish(conn);
        return done;
    }

    std::string kind_, admin_, name_, url_;
};

int Get(int port, const std::string& target, std::string* body = nullptr) {
    httplib::Client client("127.0.0.1", port);
    client.set_url_encode(false);
    client.set_connection_timeout(2, 0);
    client.set_read_timeout(10, 0);
    auto result = client.Get(target.c_str());
    if (!result) return -1;
    if (body) *body = result->body;
    return result->status;
}

// Raw bytes on a fresh connection; the status line's code, or -1.
int RawRequest(int port, const std::string& bytes) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((uint16_t)port);
    timeval limit = {10, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    int status = -1;
    if (connect(s, (sockaddr*)&a, sizeof a) == 0) {
        (void)!write(s, bytes.data(), bytes.size());
        shutdown(s, SHUT_WR);
        char reply[64] = {};
        ssize_t n = read(s, reply, sizeof reply - 1);
        if (n > 12 && std::strncmp(reply, "HTTP/1.", 7) == 0) status = std::atoi(reply + 9);
    }
    close(s);
    return status;
}

class ServerTest : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        std::string why;
        if (!database.make(GetParam(), dir, &why)) GTEST_SKIP() << why;
        ASSERT_TRUE(server.start(database.url())) << server.log();
    }
    int Get(const std::string& target, std::string* body = nullptr) {
        return ::Get(server.port(), target, body);
    }
    int Send(const std::string& rawMessage) {
        return Get(std::string(Path) + "?msg=" + Encode(rawMessage));
    }
    std::string Table(int port = 0) {
        std::string body;
        EXPECT_EQ(::Get(port ? port : server.port(), Path, &body), 200);
        return DecodeTable(body);
    }

    k3dtest::TempDir dir;
    TestDatabase database;
    scoretest::ServerProcess server;
};

TEST_P(ServerTest, KeepsTheBestTenNewestFirstAmongEquals) {
    EXPECT_EQ(Get(SendTarget("old", 500)), 200);
    EXPECT_EQ(Get(SendTarget("new", 500)), 200);
    EXPECT_EQ(Get(SendTarget("Top_1", 100000000)), 200);
    EXPECT_EQ(Get(SendTarget("zero", 0)), 200);
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(Get(SendTarget("f" + std::to_string(i), 10)), 200);
    EXPECT_EQ(Table(), "10 Top_1 100000000 new 500 old 500 f8 10 f7 10 f6 10 f5 10 f4 10 f3 10 "
                       "f2 10");
    EXPECT_EQ(database.rows(), 13); // every accepted score is kept
}

// Everything here gets a 4xx, stores nothing and leaves the server up (one
// message of each verdict; the verdicts themselves are the rules test's).
TEST_P(ServerTest, BadInputIsRefusedAndNothingIsStored) {
    std::string good = Message("bob", 7);
    std::string badCheck = good;
    badCheck.back() = (char)(badCheck.back() + 1);
    const std::string msg = std::string(Path) + "?msg=";
    struct Row {
        std::string target;
        int status;
    } rows[] = {
        {msg + Encode(badCheck), 400},
        {msg + Encode(Message("b b", 7)), 400},
        {msg + Encode(Message("bob", 100000001)), 400},
        {msg + Encode(Message("x';DROP TABLE scores;--", 7)), 400},
        {msg + "%ZZ%00%FF", 400},
        {msg + "%00" + Encode(good), 400},
        {msg, 400},
        {msg + Encode(good) + "&msg=" + Encode(Message("eve", 8)), 400},
        {std::string(Path) + "?other=1", 400},
        {msg + std::string(1100, 'a'), 414},
        {msg + std::string(9000, 'a'), 414}, // past the HTTP library's own bound
        {"/elsewhere", 404},
        {"/elsewhere?msg=" + Encode(good), 404},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Get(row.target), row.status) << row.target.substr(0, 80);
    // Bytes that are no HTTP at all, a request cut short, a silent client.
    EXPECT_NE(RawRequest(server.port(), std::string("\x00\x01\xff garbage\r\n\r\n", 15)), 200);
    RawRequest(server.port(), "GET /scoring/k3/k3sc");
    RawRequest(server.port(), "");
    RawRequest(server.port(), "GET " + msg + Encode(good) + " HTTP/1.1\r\nHost: x\r\n");
    EXPECT_EQ(Table(), "0");
    EXPECT_EQ(database.rows(), 0);
    EXPECT_EQ(Send(good), 200);
    EXPECT_EQ(Table(), "1 bob 7");
    // Each refusal says why on its one log line.
    EXPECT_NE(server.log().find(" 400 check character does not match\n"), std::string::npos);
    EXPECT_NE(server.log().find(" 400 score out of range\n"), std::string::npos);
    EXPECT_NE(server.log().find(" 400 name outside the game's characters\n"), std::string::npos);
    EXPECT_NE(server.log().find(" 414 request target too long\n"), std::string::npos);
}

TEST_P(ServerTest, ConcurrentBurstLosesNothing) {
    const int threads = 8, each = 25;
    std::atomic<int> accepted(0);
    std::vector<std::thread> senders;
    for (int t = 0; t < threads; t++) {
        senders.emplace_back([this, t, &accepted] {
            for (int i = 0; i < each; i++) {
                std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
                if (Get(SendTarget(name, t * 1000 + i)) == 200) accepted++;
            }
        });
    }
    for (std::thread& s : senders)
        s.join();
    EXPECT_EQ(accepted.load(), threads * each);
    EXPECT_EQ(database.rows(), threads * each);
    EXPECT_EQ(Table().substr(0, 15), "10 t7_24 7024 t");
}

TEST_P(ServerTest, StopsCleanlyOnSigtermAndARestartKeepsTheScores) {
    EXPECT_EQ(Get(SendTarget("ann", 300)), 200);
    EXPECT_EQ(server.stop(), 0);
    EXPECT_NE(server.log().find("stopped"), std::string::npos);
    if (!database.postgres()) {
        EXPECT_FALSE(k3dtest::FileExists(database.url() + "-wal")); // checkpointed on close
    }
    ASSERT_TRUE(server.start(database.url())) << server.log();
    EXPECT_EQ(Table(), "1 ann 300");
}

TEST_P(ServerTest, LogsOneLinePerRequest) {
    for (int i = 0; i < 3; i++)
        Table();
    Get(std::string(Path) + "?msg=junk");
    EXPECT_EQ(server.waitForLog(" GET /", 4), 4);
    EXPECT_NE(server.log().find("GET /scoring/k3/k3score.php?msg=junk 400 check character"),
              std::string::npos);
    // The client's bytes reach the log escaped: no terminal control, no
    // forged second line.
    RawRequest(server.port(), std::string("GET ") + Path + "?msg=\x1b[2J\rx HTTP/1.1\r\n\r\n");
    EXPECT_EQ(server.waitForLog(" GET /", 5), 5);
    EXPECT_NE(server.log().find("?msg=\\x1B[2J"), std::string::npos) << server.log();
    EXPECT_EQ(server.log().find('\x1b'), std::string::npos);
}

TEST_P(ServerTest, SubmitLimitAnswers429PastTheRate) {
    ASSERT_TRUE(server.start(database.url(), {"--submit-limit", "3"})) << server.log();
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(Get(SendTarget("p" + std::to_string(i), i)), 200) << i;
    EXPECT_EQ(Get(SendTarget("p3", 3)), 429);
    EXPECT_EQ(Get(std::string(Path) + "?msg=junk"), 429); // junk takes a token too
    EXPECT_EQ(Table(), "3 p2 2 p1 1 p0 0");               // reading is never limited
    EXPECT_EQ(database.rows(), 3);
    EXPECT_NE(server.log().find(" 429 too many submissions\n"), std::string::npos);
}

TEST_P(ServerTest, TopTenIsReadThroughTheIndex) {
    if (database.postgres()) {
        EXPECT_EQ(database.query("SELECT COUNT(*) FROM pg_indexes WHERE tablename = 'scores' AND "
                                 "indexdef LIKE '%(score DESC, id DESC)%'"),
                  1);
        return;
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(database.url().c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "EXPLAIN QUERY PLAN SELECT name, score FROM scores ORDER BY "
                                 "score DESC, id DESC LIMIT 10;",
                                 -1, &s, nullptr),
              SQLITE_OK);
    std::string plan;
    while (sqlite3_step(s) == SQLITE_ROW)
        plan += (const char*)sqlite3_column_text(s, 3) + std::string("\n");
    sqlite3_finalize(s);
    sqlite3_close(db);
    EXPECT_NE(plan.find("USING INDEX scores_rank"), std::string::npos) << plan;
    EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan; // no sort
}

// Two instances on one PostgreSQL database: a burst through both loses
// nothing, both answer the same table, and restarting one loses nothing.
TEST_P(ServerTest, TwoInstancesShareOneTable) {
    if (!database.postgres()) GTEST_SKIP() << "one SQLite file serves one instance";
    scoretest::ServerProcess second;
    ASSERT_TRUE(second.start(database.url())) << second.log();
    const int ports[2] = {server.port(), second.port()};
    const int threads = 8, each = 20;
    std::atomic<int> accepted(0);
    std::vector<std::thread> senders;
    for (int t = 0; t < threads; t++) {
        senders.emplace_back([&, t] {
            for (int i = 0; i < each; i++) {
                std::string name = "s" + std::to_string(t) + "_" + std::to_string(i);
                if (::Get(ports[(t + i) % 2], SendTarget(name, 100 + (i * threads + t) % 37)) ==
                    200)
                    accepted++;
            }
        });
    }
    for (std::thread& s : senders)
        s.join();
    EXPECT_EQ(accepted.load(), threads * each);
    EXPECT_EQ(database.rows(), threads * each);
    const std::string table = Table(ports[0]);
    EXPECT_EQ(table.substr(0, 3), "10 ");
    EXPECT_EQ(Table(ports[1]), table);
    EXPECT_EQ(second.stop(), 0);
    ASSERT_TRUE(second.start(database.url())) << second.log();
    EXPECT_EQ(Table(second.port()), table);
    EXPECT_EQ(database.rows(), threads * each);
}

INSTANTIATE_TEST_SUITE_P(Stores, ServerTest, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

std::string RunCapture(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char chunk[4096];
    size_t n;
    while (pipe && (n = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        out.append(chunk, n);
    int raw = pipe ? pclose(pipe) : -1;
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

const std::string Binary = std::string(K3D_GAME_DIR) + "/k3d-score-server";

TEST(ServerStartTest, RefusesABadCommandLineAndABusyPort) {
    k3dtest::TempDir dir;
    int status = 0;
    for (const char* bad : {" --port banana", " --port 70000", " --what 1", " --submit-limit -1",
                            " --threads 0", " --db", " --db-file /nonexistent/file"}) {
        RunCapture(Binary + bad + " 2>/dev/null", &status);
        EXPECT_EQ(status, 2) << bad;
    }
    scoretest::ServerProcess first;
    ASSERT_TRUE(first.start(dir.file("a.db")));
    RunCapture(Binary + " --port " + std::to_string(first.port()) + " --db " + dir.file("b.db") +
                   " >/dev/null 2>&1",
               &status);
    EXPECT_EQ(status, 1);
    // An unreachable PostgreSQL fails at start, not at the first request.
    RunCapture(Binary + " --port 0 --db postgresql://nobody@127.0.0.1:" +
                   std::to_string(scoretest::RefusingPort()) + "/none >/dev/null 2>&1",
               &status);
    EXPECT_EQ(status, 1);
}

// Every option --help lists has its line in the manual page.
TEST(ServerStartTest, HelpListsEveryOptionAndTheManualHasEach) {
    int status = 0;
    std::string help = RunCapture(Binary + " --help", &status);
    EXPECT_EQ(status, 0);
    std::string manual;
    ASSERT_TRUE(
        k3dtest::ReadWholeFile(std::string(K3D_SOURCE_DIR) + "/dist/k3d-score-server.8", &manual));
    std::set<std::string> options;
    for (size_t at = help.find("  --"); at != std::string::npos; at = help.find("  --", at + 1))
        options.insert(help.substr(at + 2, help.find_first_of(" \n", at + 2) - at - 2));
    EXPECT_EQ(options, (std::set<std::string>{"--listen", "--port", "--db", "--db-file",
                                              "--submit-limit", "--threads", "--help"}));
    for (const std::string& option : options) {
        std::string roff; // every '-' as roff writes it
        for (char c : option)
            roff += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_TRUE(manual.find(".B " + roff) != std::string::npos ||
                    manual.find(".BI " + roff + " ") != std::string::npos)
            << option;
    }
    EXPECT_NE(manual.find("K3D_SCORE_DB"), std::string::npos);
}

// The database can come from a file or the environment, off the process
// list; the log names the database without its password.
TEST(ServerStartTest, DatabaseFromAFileOrTheEnvironment) {
    k3dtest::TempDir dir;
    ASSERT_TRUE(k3dtest::WriteWholeFile(dir.file("db.conf"), dir.file("from-file.db") + "\n"));
    scoretest::ServerProcess server;
    ASSERT_TRUE(server.start("", {"--db-file", dir.file("db.conf")})) << server.log();
    EXPECT_NE(server.log().find("database sqlite " + dir.file("from-file.db") + "\n"),
              std::string::npos)
        << server.log();
    server.stop();
    setenv("K3D_SCORE_DB", dir.file("env.db").c_str(), 1);
    bool started = server.start("");
    unsetenv("K3D_SCORE_DB");
    ASSERT_TRUE(started) << server.log();
    EXPECT_NE(server.log().find("database sqlite " + dir.file("env.db") + "\n"), std::string::npos)
        << server.log();
    EXPECT_TRUE(k3dtest::FileExists(dir.file("env.db")));
    server.stop();
    const char* admin = std::getenv("K3D_TEST_POSTGRES");
    if (!admin || !*admin) return;
    // The test cluster trusts loopback, so any password gets in.
    std::string url = admin;
    size_t user = url.find("://") + 3;
    size_t at = url.find('@', user);
    ASSERT_NE(at, std::string::npos) << "the test URL names its user";
    url.insert(at, ":Secret-Word");
    setenv("K3D_SCORE_DB", url.c_str(), 1);
    started = server.start("");
    unsetenv("K3D_SCORE_DB");
    ASSERT_TRUE(started) << server.log();
    EXPECT_NE(server.log().find("database postgresql 127.0.0.1:"), std::string::npos)
        << server.log();
    EXPECT_EQ(server.log().find("Secret-Word"), std::string::npos) << server.log();
}

} // namespace
