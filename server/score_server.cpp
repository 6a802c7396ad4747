// k3d-score-server: the endpoint the game's online table talks to.
//
//   GET /scoring/k3/k3score.php           the top ten, encoded as the game decodes it
//   GET /scoring/k3/k3score.php?msg=...   one score, checked, then kept
//
// Every accepted score is kept in one SQLite file (WAL), created on the
// first start. One log line per request on standard output; SIGTERM and
// SIGINT stop it cleanly.
#include <httplib.h>
#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

// Shared with the game: the character shift of the table reply and the
// bounds of what a message may carry.
const int ReplyShift = 17;
const int ReplyFirstCode = 32;
const int ReplyCodeCount = 94;
const int MaxNameChars = 10;
const long MaxScore = 100000000;
const size_t MaxMessage = 127;
const int TableSize = 10;
const char* const ScorePath = "/scoring/k3/k3score.php";

struct ScoreStore {
    sqlite3* db = nullptr;
    std::mutex lock; // one connection, one writer at a time
};

bool Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "k3d-score-server: sqlite: %s\n", error ? error : "?");
        sqlite3_free(error);
        return false;
    }
    return true;
}

bool OpenStore(ScoreStore* store, const char* path) {
    if (sqlite3_open_v2(path, &store->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "k3d-score-server: cannot open %s: %s\n", path,
                     store->db ? sqlite3_errmsg(store->db) : "out of memory");
        return false;
    }
    sqlite3_busy_timeout(store->db, 5000);
    return Exec(store->db, "PRAGMA journal_mode=WAL;") &&
           Exec(store->db, "PRAGMA synchronous=NORMAL;") &&
           Exec(store->db, "CREATE TABLE IF NOT EXISTS scores ("
                           " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " name TEXT NOT NULL,"
                           " score INTEGER NOT NULL,"
                           " received INTEGER NOT NULL DEFAULT (strftime('%s','now')));") &&
           Exec(store->db,
                "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, id DESC);");
}

bool NameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '*' || c == '+' || c == '-' || c == '/' || c == ',';
}

int MessageCheck(const std::string& text) {
    unsigned long sum = 0;
    for (unsigned char c : text)
        sum += c;
    int c = sum <= 120 ? (int)sum : (int)((sum - 1) % 120 + 1);
    if (c < 40) c += 40;
    return c;
}

// The message is "name@score" reversed, then its check character. Only
// what the game can type and a score in range get through.
bool DecodeMessage(const std::string& message, std::string* name, long* score) {
    if (message.size() < 4 || message.size() > MaxMessage) return false;
    std::string text(message.rbegin() + 1, message.rend());
    if (MessageCheck(text) != (unsigned char)message.back()) return false;
    size_t at = text.rfind('@');
    if (at == std::string::npos || at == 0 || at > (size_t)MaxNameChars) return false;
    std::string digits = text.substr(at + 1);
    if (digits.empty() || digits.size() > 9) return false;
    if (digits.size() > 1 && digits[0] == '0') return false;
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > MaxScore) return false;
    for (size_t i = 0; i < at; i++)
        if (!NameChar(text[i])) return false;
    *name = text.substr(0, at);
    *score = value;
    return true;
}

bool StoreScore(ScoreStore* store, const std::string& name, long score) {
    std::lock_guard<std::mutex> guard(store->lock);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(store->db, "INSERT INTO scores (name, score) VALUES (?, ?);", -1,
                           &statement, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(statement, 1, name.c_str(), (int)name.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int64(statement, 2, score);
    bool done = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return done;
}

// The decoded table reads "count name score name score ...", best first,
// one blank between items (the game re-prints what it read to advance).
// It travels reversed, shifted, with one pad character at the end.
bool EncodeTable(ScoreStore* store, std::string* reply) {
    std::string text;
    int count = 0;
    {
        std::lock_guard<std::mutex> guard(store->lock);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(store->db,
                               "SELECT name, score FROM scores ORDER BY score DESC, id DESC "
                               "LIMIT ?;",
                               -1, &statement, nullptr) != SQLITE_OK)
            return false;
        sqlite3_bind_int(statement, 1, TableSize);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const char* name = (const char*)sqlite3_column_text(statement, 0);
            text += " ";
            text += name ? name : "_";
            text += " ";
            text += std::to_string(sqlite3_column_int64(statement, 1));
            count++;
        }
        sqlite3_finalize(statement);
    }
    text = std::to_string(count) + text;
    reply->clear();
    for (auto c = text.rbegin(); c != text.rend(); ++c) {
        int code = (unsigned char)*c - ReplyFirstCode + ReplyShift;
        reply->push_back(
            (char)(ReplyFirstCode + ((code % ReplyCodeCount) + ReplyCodeCount) % ReplyCodeCount));
    }
    reply->push_back('.');
    return true;
}

void Usage() {
    std::fprintf(stderr, "usage: k3d-score-server [--listen ADDRESS] [--port PORT] [--db FILE]\n"
                         "  defaults: --listen 127.0.0.1 --port 8642 --db k3d-scores.db\n"
                         "  --port 0 picks a free port (printed on the first line)\n");
}

} // namespace

int main(int argc, char** argv) {
    std::string address = "127.0.0.1";
    int port = 8642;
    std::string database = "k3d-scores.db";
    for (int i = 1; i < argc; i++) {
        std::string option = argv[i];
        if (i + 1 >= argc) {
            Usage();
            return 2;
        }
        std::string value = argv[++i];
        if (option == "--listen") {
            address = value;
        } else if (option == "--port") {
            char* end = nullptr;
            long number = std::strtol(value.c_str(), &end, 10);
            if (*end || number < 0 || number > 65535) {
                Usage();
                return 2;
            }
            port = (int)number;
        } else if (option == "--db") {
            database = value;
        } else {
            Usage();
            return 2;
        }
    }

    // Signals are taken by one thread with sigwait, so the stop happens
    // outside a signal handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    ScoreStore store;
    if (!OpenStore(&store, database.c_str())) return 1;

    httplib::Server server;
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_payload_max_length(4096);
    // Address reuse for a quick restart, but no shared port: a second
    // server on a busy port must fail instead of splitting the requests.
    server.set_socket_options([](int sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        std::printf("%s %s %s %d\n", request.remote_addr.c_str(), request.method.c_str(),
                    request.target.c_str(), response.status);
        std::fflush(stdout);
    });
    server.Get(ScorePath, [&store](const httplib::Request& request, httplib::Response& response) {
        if (request.params.empty()) {
            std::string reply;
            if (!EncodeTable(&store, &reply)) {
                response.status = 500;
                response.set_content("store unavailable\n", "text/plain");
                return;
            }
            response.set_content(reply, "text/plain");
            return;
        }
        std::string name;
        long score = 0;
        if (request.params.size() != 1 || request.get_param_value_count("msg") != 1 ||
            !DecodeMessage(request.get_param_value("msg"), &name, &score)) {
            response.status = 400;
            response.set_content("refused\n", "text/plain");
            return;
        }
        if (!StoreScore(&store, name, score)) {
            response.status = 500;
            response.set_content("store unavailable\n", "text/plain");
            return;
        }
        response.set_content("OK\n", "text/plain");
    });

    int bound = port;
    if (port == 0) {
        bound = server.bind_to_any_port(address);
        if (bound < 0) bound = -1;
    } else if (!server.bind_to_port(address, port)) {
        bound = -1;
    }
    if (bound <= 0) {
        std::fprintf(stderr, "k3d-score-server: cannot listen on %s:%d\n", address.c_str(), port);
        sqlite3_close(store.db);
        return 1;
    }
    std::printf("k3d-score-server listening on %s:%d, database %s\n", address.c_str(), bound,
                database.c_str());
    std::fflush(stdout);

    std::thread stopper([&server, stopSignals]() {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    bool served = server.listen_after_bind();
    if (stopper.joinable()) {
        // listen can end on its own (a socket error): wake the waiter.
        if (served) {
            stopper.join();
        } else {
            pthread_kill(stopper.native_handle(), SIGTERM);
            stopper.join();
        }
    }
    sqlite3_close(store.db);
    std::printf("k3d-score-server stopped\n");
    std::fflush(stdout);
    return served ? 0 : 1;
}
