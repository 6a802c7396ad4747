// The embedded store: one SQLite file in WAL mode, one connection, the two
// statements prepared once. Only this process writes it.
#include "server/score_server.h"

#include <sqlite3.h>

#include <cstdio>

namespace {

const char* const SqliteSchema =
    "CREATE TABLE IF NOT EXISTS scores ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " name TEXT NOT NULL,"
    " score INTEGER NOT NULL,"
    " received INTEGER NOT NULL DEFAULT (strftime('%s','now')));"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, id DESC);";

class SqliteStore : public ScoreStore {
  public:
    explicit SqliteStore(const std::string& path) : path_(path) {}
    ~SqliteStore() override {
        sqlite3_finalize(insert_);
        sqlite3_finalize(top_);
        // The last connection's close checkpoints the WAL into the file.
        sqlite3_close(db_);
    }

    bool open(std::string* error) {
        if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            return fail("cannot open " + path_, error);
        sqlite3_busy_timeout(db_, 5000);
        char* message = nullptr;
        if (sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr,
                         nullptr, &message) != SQLITE_OK ||
            sqlite3_exec(db_, SqliteSchema, nullptr, nullptr, &message) != SQLITE_OK) {
            std::string text = message ? message : "?";
            sqlite3_free(message);
            return fail(path_ + ": " + text, error);
        }
        if (sqlite3_prepare_v2(db_, "INSERT INTO scores (name, score) VALUES (?, ?);", -1, &insert_,
                               nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db_,
                               "SELECT name, score FROM scores ORDER BY score DESC, id DESC "
                               "LIMIT 10;",
                               -1, &top_, nullptr) != SQLITE_OK)
            return fail(path_ + ": " + sqlite3_errmsg(db_), error);
        return true;
    }

    bool add(const std::string& name, long score) override {
        std::lock_guard<std::mutex> guard(lock_);
        sqlite3_bind_text(insert_, 1, name.c_str(), (int)name.size(), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert_, 2, score);
        bool done = sqlite3_step(insert_) == SQLITE_DONE;
        if (!done) report("insert");
        sqlite3_reset(insert_);
        sqlite3_clear_bindings(insert_);
        return done;
    }

    bool topTen(std::vector<StoredScore>* out) override {
        std::lock_guard<std::mutex> guard(lock_);
        out->clear();
        int step;
        while ((step = sqlite3_step(top_)) == SQLITE_ROW) {
            const char* name = (const char*)sqlite3_column_text(top_, 0);
            out->push_back(StoredScore{name ? name : "", sqlite3_column_int64(top_, 1)});
        }
        sqlite3_reset(top_);
        if (step != SQLITE_DONE) {
            report("top ten");
            return false;
        }
        return true;
    }

    bool shared() const override { return false; }
    std::string describe() const override { return "sqlite " + path_; }

  private:
    bool fail(const std::string& what, std::string* error) {
        *error = "sqlite: " + what;
        return false;
    }
    void report(const char* what) {
        std::fprintf(stderr, "k3d-score-server: sqlite %s: %s\n", what, sqlite3_errmsg(db_));
    }

    std::string path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* top_ = nullptr;
    std::mutex lock_; // one connection: one statement at a time
};

} // namespace

std::unique_ptr<ScoreStore> OpenSqliteStore(const std::string& path, std::string* error) {
    std::unique_ptr<SqliteStore> store(new SqliteStore(path));
    if (!store->open(error)) return nullptr;
    return std::unique_ptr<ScoreStore>(store.release());
}
