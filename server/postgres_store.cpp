// The shared store: one PostgreSQL table that several server instances
// write at once. A small pool of connections, opened as the load asks,
// each with the two statements prepared; a broken connection (a database
// restart) is reset and the statement tried once more.
#include "server/score_server.h"

#include <libpq-fe.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>

namespace {

// Taken by every instance that creates the table, so two starting at once
// do not race on the catalogue.
const char* const PostgresSchema =
    "BEGIN;"
    "SELECT pg_advisory_xact_lock(8642008642);"
    "CREATE TABLE IF NOT EXISTS scores ("
    " id BIGSERIAL PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " score BIGINT NOT NULL,"
    " received BIGINT NOT NULL DEFAULT (extract(epoch FROM now())::bigint));"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, id DESC);"
    "COMMIT;";

void QuietNotices(void*, const char*) {}

struct Connection {
    PGconn* conn = nullptr;
    bool prepared = false;
};

class PostgresStore : public ScoreStore {
  public:
    PostgresStore(const std::string& conninfo, int connections)
        : conninfo_(conninfo), capacity_(connections < 1 ? 1 : connections) {}
    ~PostgresStore() override {
        for (Connection* c : all_) {
            PQfinish(c->conn);
            delete c;
        }
    }

    bool open(std::string* error) {
        Connection* first = connect(error);
        if (!first) return false;
        PGresult* result = PQexec(first->conn, PostgresSchema);
        bool made = PQresultStatus(result) == PGRES_COMMAND_OK;
        if (!made) *error = std::string("postgresql: ") + PQerrorMessage(first->conn);
        PQclear(result);
        const char* host = PQhost(first->conn);
        description_ = std::string("postgresql ") + (host ? host : "?") + ":" +
                       PQport(first->conn) + "/" + PQdb(first->conn) + " as " + PQuser(first->conn);
        checkin(first);
        return made;
    }

    bool add(const std::string& name, long score) override {
        const std::string points = std::to_string(score);
        const char* values[2] = {name.c_str(), points.c_str()};
        return run("insert", [&](PGconn* conn) {
            PGresult* result = PQexecPrepared(conn, "k3d_insert", 2, values, nullptr, nullptr, 0);
            bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
            PQclear(result);
            return done;
        });
    }

    bool topTen(std::vector<StoredScore>* out) override {
        return run("top ten", [&](PGconn* conn) {
            out->clear();
            PGresult* result = PQexecPrepared(conn, "k3d_top", 0, nullptr, nullptr, nullptr, 0);
            bool done = PQresultStatus(result) == PGRES_TUPLES_OK && PQnfields(result) == 2;
            for (int row = 0; done && row < PQntuples(result); row++)
                out->push_back(StoredScore{PQgetvalue(result, row, 0),
                                           std::atoll(PQgetvalue(result, row, 1))});
            PQclear(result);
            return done;
        });
    }

    bool shared() const override { return true; }
    std::string describe() const override { return description_; }

  private:
    Connection* connect(std::string* error) {
        // Our defaults first: what the connection string says wins.
        const char* keys[] = {"connect_timeout", "application_name", "dbname", nullptr};
        const char* values[] = {"5", "k3d-score-server", conninfo_.c_str(), nullptr};
        PGconn* conn = PQconnectdbParams(keys, values, 1);
        if (!conn || PQstatus(conn) != CONNECTION_OK) {
            *error = std::string("postgresql: cannot connect: ") +
                     (conn ? PQerrorMessage(conn) : "out of memory");
            PQfinish(conn);
            return nullptr;
        }
        PQsetNoticeProcessor(conn, QuietNotices, nullptr);
        Connection* c = new Connection;
        c->conn = conn;
        std::lock_guard<std::mutex> guard(lock_);
        all_.push_back(c);
        return c;
    }

    // A connection of the pool; a new one while fewer than capacity are
    // open, else waits for one to come back.
    Connection* checkout(std::string* error) {
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait(guard,
                       [this] { return !free_.empty() || opening_ + all_.size() < capacity_; });
            if (!free_.empty()) {
                Connection* c = free_.back();
                free_.pop_back();
                return c;
            }
            opening_++;
        }
        Connection* c = connect(error);
        {
            std::lock_guard<std::mutex> guard(lock_);
            opening_--;
        }
        wake_.notify_one();
        return c;
    }

    void checkin(Connection* c) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            free_.push_back(c);
        }
        wake_.notify_one();
    }

    bool prepare(Connection* c) {
        PGresult* insert = PQprepare(
            c->conn, "k3d_insert", "INSERT INTO scores (name, score) VALUES ($1, $2)", 2, nullptr);
        PGresult* top = PQprepare(c->conn, "k3d_top",
                                  "SELECT name, score FROM scores ORDER BY score DESC, id DESC "
                                  "LIMIT 10",
                                  0, nullptr);
        c->prepared =
            PQresultStatus(insert) == PGRES_COMMAND_OK && PQresultStatus(top) == PGRES_COMMAND_OK;
        PQclear(insert);
        PQclear(top);
        return c->prepared;
    }

    template <class Body> bool run(const char* what, Body body) {
        std::string error;
        Connection* c = checkout(&error);
        if (!c) {
            std::fprintf(stderr, "k3d-score-server: %s: %s", what, error.c_str());
            return false;
        }
        bool done = false;
        for (int attempt = 0; attempt < 2 && !done; attempt++) {
            done = (c->prepared || prepare(c)) && body(c->conn);
            if (done || PQstatus(c->conn) != CONNECTION_BAD) break;
            PQreset(c->conn); // the database went away and may be back
            c->prepared = false;
        }
        if (!done)
            std::fprintf(stderr, "k3d-score-server: postgresql %s: %s", what,
                         PQerrorMessage(c->conn));
        checkin(c);
        return done;
    }

    std::string conninfo_;
    std::string description_;
    size_t capacity_;
    size_t opening_ = 0;
    std::mutex lock_;
    std::condition_variable wake_;
    std::vector<Connection*> all_;
    std::vector<Connection*> free_;
};

} // namespace

std::unique_ptr<ScoreStore> OpenPostgresStore(const std::string& conninfo, int connections,
                                              std::string* error) {
    std::unique_ptr<PostgresStore> store(new PostgresStore(conninfo, connections));
    if (!store->open(error)) return nullptr;
    return std::unique_ptr<ScoreStore>(store.release());
}
