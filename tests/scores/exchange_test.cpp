// The online exchange: the real KHttpFetch against the real score server on
// loopback, a server that never answers, a refused connection, and the
// reply decoder on replies made here.
#include "tests/scores/scores_fixture.h"

#include <chrono>
#include <functional>
#include <poll.h>
#include <thread>

#include "gameplay/gameplay.h"
#include "scores/khttp_fetch.h"

namespace {

using scoretest::ScoresTest;

double SecondsOf(const std::function<void()>& action) {
    auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A table reply as the server sends it: the text reversed, each character
// shifted, one pad character at the end.
std::string EncodeReply(const std::string& text) {
    std::string reply;
    for (auto c = text.rbegin(); c != text.rend(); ++c)
        reply.push_back(EncodeReplyChar(*c));
    reply.push_back('.');
    return reply;
}

// Entries first .. first + count - 1 of the table as "name score, ...".
std::string TableText(int first, int count) {
    std::string text;
    for (int i = first; i < first + count; i++)
        text += (i > first ? ", " : "") + std::string(ScoreTable[i].name) + " " +
                std::to_string(ScoreTable[i].score);
    return text;
}

class ExchangeTest : public ScoresTest {
  protected:
    void StartServer() {
        ASSERT_TRUE(server.start(dir.file("scores.db"))) << server.log();
        SetScoreServer(server.hostPort().c_str());
    }
    scoretest::ServerProcess server;
};

TEST_F(ExchangeTest, SentScoresComeBackInTheFetchedTable) {
    StartServer();
    EXPECT_TRUE(SendScoreOnline("ann", 300));
    EXPECT_TRUE(SendScoreOnline("abcdefghij", 900));          // ten characters: cut to nine
    EXPECT_TRUE(SendScoreOnline("a+b/c,-*", 20));             // characters a URL would mangle
    EXPECT_TRUE(k3dtest::FileExists(dir.file("scores.txt"))); // every send saves
    ClearScoreTable();
    ASSERT_TRUE(FetchOnlineScores());
    EXPECT_EQ(TableText(0, 4), "abcdefghi 900, ann 300, a+b/c,-* 20, empty 0");
    EXPECT_EQ(TableText(9, 1), "empty 0");
    // The local file follows the server.
    ClearScoreTable();
    ASSERT_TRUE(LoadScoreFile());
    EXPECT_STREQ(ScoreTable[1].name, "ann");
    EXPECT_NE(logText().find("Sending online score: http://" + server.hostPort() +
                             "/scoring/k3/k3score.php?msg="),
              std::string::npos);
}

// One score for every check character the game can produce, '=' and '?'
// among them: each must arrive and come back on top of the table.
TEST_F(ExchangeTest, EveryCheckCharacterArrives) {
    StartServer();
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int check = 40; check <= 120; check++) {
        // A rising score puts each one on top; a two-letter name picks the check.
        const int32_t points = 1000 + check;
        std::string name;
        for (const char* a = letters; *a && name.empty(); a++)
            for (const char* b = letters; *b && name.empty(); b++) {
                std::string text = std::string(1, *a) + *b + "@" + std::to_string(points);
                if (ScoreMessageCheck(text.c_str()) == check) name = text.substr(0, 2);
            }
        ASSERT_FALSE(name.empty()) << "check " << check;
        EXPECT_TRUE(SendScoreOnline(name.c_str(), points)) << "check " << check;
        ClearScoreTable();
        ASSERT_TRUE(FetchOnlineScores());
        EXPECT_STREQ(ScoreTable[0].name, name.c_str()) << "check " << check;
        EXPECT_EQ(ScoreTable[0].score, points) << "check " << check;
    }
}

TEST_F(ExchangeTest, RecordScoreSendsOnlyWhatEntersTheTable) {
    StartServer();
    FillTable();
    EXPECT_EQ(InsertScore("x", 50), SCORE_TABLE_SIZE);
    std::snprintf(PlayerName, sizeof PlayerName, "%s", "zoe_______");
    score = 950;
    RecordScore();
    score = 0;
    ClearScoreTable();
    ASSERT_TRUE(FetchOnlineScores());
    EXPECT_STREQ(ScoreTable[0].name, "zoe");
    EXPECT_EQ(ScoreTable[0].score, 950);
    EXPECT_STREQ(ScoreTable[1].name, "empty");
}

TEST_F(ExchangeTest, SilentServerCostsAtMostTheTimeOutsAndFallsBackToTheFile) {
    InsertScore("local", 123);
    SaveScoreFile();
    ClearScoreTable();
    scoretest::SilentServer silent;
    SetScoreServer(silent.hostPort().c_str());
    static bool fetched;
    double seconds = SecondsOf([] { fetched = FetchOnlineScores(); });
    EXPECT_FALSE(fetched);
    EXPECT_LT(seconds, HTTP_TOTAL_TIMEOUT_MS / 1000.0 + 1.5);
    EXPECT_GE(seconds, HTTP_TOTAL_TIMEOUT_MS / 1000.0 - 0.5); // it did wait for an answer
    EXPECT_STREQ(ScoreTable[0].name, "local");
    EXPECT_EQ(ScoreTable[0].score, 123);
}

TEST_F(ExchangeTest, RefusedConnectionFallsBackAtOnce) {
    InsertScore("local", 7);
    SaveScoreFile();
    ClearScoreTable();
    static bool fetched, sent;
    double seconds = SecondsOf([] { fetched = FetchOnlineScores(); });
    EXPECT_FALSE(fetched);
    EXPECT_LT(seconds, 1.0);
    EXPECT_STREQ(ScoreTable[0].name, "local");
    seconds = SecondsOf([] { sent = SendScoreOnline("lost", 1); });
    EXPECT_FALSE(sent);
    EXPECT_LT(seconds, 1.0);
}

TEST_F(ExchangeTest, ErrorStatusIsNoReply) {
    StartServer();
    KHttpFetch fetch;
    std::string url = "http://" + server.hostPort() + "/scoring/k3/nothing.php";
    EXPECT_EQ(fetch.fetchUrl(url.c_str(), true), nullptr);
    url = "http://" + server.hostPort() + "/scoring/k3/k3score.php?msg=junk";
    EXPECT_EQ(fetch.fetchUrl(url.c_str(), true), nullptr);
    url = "http://" + server.hostPort() + "/scoring/k3/k3score.php";
    const char* text = fetch.fetchUrl(url.c_str(), true);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(fetch.getLength(), (int32_t)std::strlen(text));
}

// A one-shot server of the test's own on loopback: it takes one request and
// hands the connection to `answer`.
class OneShotServer {
  public:
    explicit OneShotServer(std::function<void(int)> answer) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(bind(listener_, (sockaddr*)&a, sizeof a), 0);
        listen(listener_, 1);
        socklen_t size = sizeof a;
        getsockname(listener_, (sockaddr*)&a, &size);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this, answer] {
            int s = accept(listener_, nullptr, nullptr);
            char request[2048];
            (void)!read(s, request, sizeof request);
            answer(s);
            close(s);
        });
    }
    ~OneShotServer() {
        thread_.join();
        close(listener_);
    }
    std::string url(const char* path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    int listener_, port_;
    std::thread thread_;
};

// Each reply as a server might frame it, written in odd-sized pieces: the
// body the fetch hands back, or no reply. The reader must give the same
// answer fed one byte at a time.
TEST(HttpFetchTest, RepliesAreReadByTheirFraming) {
    std::string big; // grows the buffer past its first capacity
    for (int i = 0; i < 100000; i++)
        big.push_back((char)('a' + i % 26));
    const std::string longHead = "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(HTTP_MAX_HEAD, 'p');
    struct Row {
        const char* rule;
        std::string reply;
        const char* body; // null: no reply
    } rows[] = {
        {"a long reply arrives whole",
         "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n" + big,
         big.c_str()},
        {"the length ends the body", "HTTP/1.1 200 OK\r\ncontent-length:  3 \r\n\r\nabcdef", "abc"},
        {"an empty body is a reply", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
        {"without a length the close ends the body", "HTTP/1.0 200 OK\n\nabc", "abc"},
        {"chunks are joined, extensions and trailers skipped",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 99\r\n\r\n"
         "5\r\nhello\r\nA;x=y\r\n, world!!!\r\n0\r\nX-Sum: 1\r\n\r\n",
         "hello, world!!!"},
        {"a body cut short is no reply", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", nullptr},
        {"a chunk cut short is no reply",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel", nullptr},
        {"chunks without the last one are no reply",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", nullptr},
        {"a chunk size that is not hex is no reply",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nhello\r\n0\r\n\r\n",
         nullptr},
        {"204 is no reply", "HTTP/1.1 204 No Content\r\n\r\n", nullptr},
        {"a redirect is no reply", "HTTP/1.1 301 Moved\r\nLocation: /\r\nContent-Length: 2\r\n\r\nok",
         nullptr},
        {"an interim answer is skipped",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", "ok"},
        {"what is not HTTP is no reply", "hello\r\n\r\n", nullptr},
        {"two lengths are no reply",
         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc", nullptr},
        {"a compressed body is no reply",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n", nullptr},
        {"a head past its cap is no reply", longHead + "\r\nContent-Length: 2\r\n\r\nok", nullptr},
        {"a nameless header is no reply", "HTTP/1.1 200 OK\r\n: x\r\n\r\nok", nullptr},
    };
    for (const Row& row : rows) {
        KHttpFetch fetch;
        const char* text;
        {
            const std::string& reply = row.reply;
            OneShotServer server([&reply](int s) {
                for (size_t at = 0; at < reply.size(); at += 777)
                    if (send(s, reply.data() + at, std::min<size_t>(777, reply.size() - at),
                             MSG_NOSIGNAL) < 0)
                        break; // the client gave up
            });
            text = fetch.download(server.url("/framed").c_str(), true);
        }
        if (row.body == nullptr) {
            EXPECT_EQ(text, nullptr) << row.rule;
        } else {
            ASSERT_NE(text, nullptr) << row.rule;
            EXPECT_EQ(fetch.getLength(), (int32_t)std::strlen(row.body)) << row.rule;
            EXPECT_STREQ(text, row.body) << row.rule;
        }
        std::string body;
        HttpReplyReader reader(
            [](void* to, const char* data, size_t bytes) { ((std::string*)to)->append(data, bytes); },
            &body);
        for (size_t at = 0; at < row.reply.size() && reader.feed(&row.reply[at], 1); at++) {
        }
        const bool whole = reader.done() || reader.finish();
        EXPECT_EQ(whole, row.body != nullptr) << row.rule << ", byte by byte";
        if (whole && row.body) {
            EXPECT_EQ(body, row.body) << row.rule << ", byte by byte";
        }
    }
}

// A server that answers one byte at a time, each well inside the read
// time-out: only the total time-out ends the request.
TEST(HttpFetchTest, TricklingServerIsCutAtTheTotalTimeOut) {
    OneShotServer server([](int s) {
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n";
        (void)!write(s, head.data(), head.size());
        // Until the client hangs up (at most 20 s).
        for (int i = 0; i < 40; i++) {
            if (write(s, "x", 1) != 1) break;
            pollfd p = {s, POLLIN, 0};
            if (poll(&p, 1, 500) > 0) break; // the client closed
        }
    });
    KHttpFetch fetch;
    const char* text = nullptr;
    double seconds = SecondsOf([&] { text = fetch.download(server.url("/slow").c_str(), true); });
    EXPECT_EQ(text, nullptr);
    EXPECT_LT(seconds, HTTP_TOTAL_TIMEOUT_MS / 1000.0 + 1.5);
}

TEST(HttpFetchTest, QueryValuesAreEscapedOutsideTheUnreservedSet) {
    struct Row {
        const char* value;
        const char* encoded;
    } rows[] = {
        {"azAZ09-._~", "azAZ09-._~"},
        {"=", "%3D"},
        {"a=b&c?d", "a%3Db%26c%3Fd"},
        {"+/,*@", "%2B%2F%2C%2A%40"},
        {"% #", "%25%20%23"},
        {"\x7f\xff", "%7F%FF"},
        {"", ""},
    };
    for (const Row& row : rows) {
        char out[64];
        ASSERT_TRUE(EncodeQueryValue(row.value, out, sizeof out)) << row.value;
        EXPECT_STREQ(out, row.encoded) << row.value;
        // The fetch leaves the escapes as they are.
        char safe[HTTP_URL_BUFFER];
        ASSERT_TRUE(makeUrlSafe((std::string("http://h/p?msg=") + out).c_str(), safe, sizeof safe));
        EXPECT_EQ(std::string(safe), std::string("http://h/p?msg=") + row.encoded);
    }
    char tiny[3];
    EXPECT_FALSE(EncodeQueryValue("=", tiny, sizeof tiny));
    EXPECT_STREQ(tiny, "");
}

TEST(HttpFetchTest, UrlsAreMadeSafe) {
    char out[HTTP_URL_BUFFER];
    ASSERT_TRUE(makeUrlSafe("http://h:1/a b/p.php?msg=x+y@z/#[]%~", out, sizeof out));
    EXPECT_STREQ(out, "http://h:1/a%20b/p.php?msg=x%2By%40z%2F%23%5B%5D%25~");
    char tiny[8];
    EXPECT_FALSE(makeUrlSafe("http://example/long", tiny, sizeof tiny));
    EXPECT_STREQ(tiny, "");
}

TEST_F(ScoresTest, RepliesFillTheTableAndEmptyEntriesTheRest) {
    std::string twelve = "12", huge = "1 first 77" + std::string(5000, ' ');
    for (int i = 0; i < 12; i++)
        twelve += " n" + std::to_string(i) + " " + std::to_string(100 - i);
    std::string empties = "empty 0";
    for (int i = 1; i < 8; i++)
        empties += ", empty 0";
    struct Row {
        const char* rule;
        std::string reply;
        int from, entries;
        std::string expect;
    } rows[] = {
        {"two entries leave eight empty", EncodeReply("2 ann 300 bo 20"), 0, 10,
         "ann 300, bo 20, " + empties},
        {"an odd reply", "x", 2, 8, empties},
        {"an empty reply", "", 2, 8, empties},
        {"a reply of no table", "abc", 2, 8, empties},
        {"names are cut; out of range, an entry keeps its score",
         EncodeReply("3 abcdefghijklmnopqrstuvwxyz 5 big 100000001 c 4"), 0, 2,
         "abcdefghi 5, big 900"},
        {"a count above ten reads ten", EncodeReply(twelve), 9, 1, "n9 91"},
        {"far past the decoding buffer the start survives", EncodeReply(huge), 0, 2,
         "first 77, empty 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        FillTable();
        ParseOnlineScores(row.reply.c_str());
        EXPECT_EQ(TableText(row.from, row.entries), row.expect);
    }
}

TEST(ScoreMessageTest, NameAndScoreTravelReversedWithTheirCheck) {
    char message[SCORE_MESSAGE_BUFFER];
    BuildScoreMessage("bob", 7, message);
    // "bob@7" sums to 426: ((426 - 1) mod 120) + 1 = 66.
    EXPECT_STREQ(message, "7@bobB");
    EXPECT_EQ(ScoreMessageCheck(""), 40);
    EXPECT_EQ(ScoreMessageCheck("\x01"), 41);             // below 40: lifted by 40
    EXPECT_EQ(ScoreMessageCheck("x"), 120);               // 120 itself
    EXPECT_EQ(ScoreMessageCheck("\x79"), 121 - 120 + 40); // 121 wraps to 1, then 41
}

TEST(ReplyCodeTest, ShiftStaysWithinTheCodesAndUndoes) {
    for (int c = 32; c <= 125; c++) {
        char e = EncodeReplyChar((char)c);
        EXPECT_GE((unsigned char)e, 32);
        EXPECT_LE((unsigned char)e, 125);
        EXPECT_EQ(DecodeReplyChar(e), (char)c);
    }
    // Any byte decodes to a printable code.
    for (int c = 0; c < 256; c++) {
        unsigned char d = (unsigned char)DecodeReplyChar((char)c);
        EXPECT_TRUE(d >= 32 && d <= 125);
    }
}

} // namespace
