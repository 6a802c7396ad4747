// k3d-score-server: the endpoint the game's online table talks to.
//
//   GET /scoring/k3/k3score.php           the top ten, encoded as the game decodes it
//   GET /scoring/k3/k3score.php?msg=...   one score, checked, then kept
//
// The scores live in a ScoreStore: one SQLite file for one instance, or a
// PostgreSQL database shared by several. Everything here but main() is
// free of the HTTP library, so the tests and the fuzzer drive it directly.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// What the game and the server share
// ---------------------------------------------------------------------------
enum {
    SERVER_REPLY_SHIFT = 17, // the character shift of the table reply
    SERVER_REPLY_FIRST_CODE = 32,
    SERVER_REPLY_CODE_COUNT = 94,
    SERVER_MAX_NAME = 10,     // characters a player can type
    SERVER_MAX_MESSAGE = 127, // the game builds its message in 128 bytes
    SERVER_MAX_TARGET = 1024, // a longer request target is refused (414)
    SERVER_TABLE_SIZE = 10,
    SERVER_MAX_SCORE = 100000000,
};
extern const char* const ScorePath;

// The check character of a message text (40..120), as the game computes it.
int MessageCheck(const std::string& text);
// A character the game's name entry can produce.
bool NameChar(char c);

// Why a message was refused, or MESSAGE_OK. Each has a log text.
enum MessageVerdict {
    MESSAGE_OK,
    MESSAGE_BAD_LENGTH,
    MESSAGE_BAD_CHECK,
    MESSAGE_BAD_FORM,  // no "@", or no plain decimal number after it
    MESSAGE_BAD_SCORE, // negative or above SERVER_MAX_SCORE
    MESSAGE_BAD_NAME,  // empty, too long, or a character the game cannot type
};
const char* MessageVerdictText(MessageVerdict verdict);
// The message is "name@score" reversed, then its check character.
MessageVerdict DecodeMessage(const std::string& message, std::string* name, long* score);

// Splits a raw request target into its path and its query parameters,
// percent-decoded ("+" is a blank). A value runs from the first "=" to the
// next "&", so an unescaped "=" inside it is kept. False on a bad escape.
bool ParseTarget(const std::string& target, std::string* path,
                 std::vector<std::pair<std::string, std::string>>* params);

// ---------------------------------------------------------------------------
// The store
// ---------------------------------------------------------------------------
struct StoredScore {
    std::string name;
    long long score;
};

// Every accepted score, one row each; the top ten is read through an index
// on (score DESC, id DESC), so the newest of equal scores ranks first.
class ScoreStore {
  public:
    virtual ~ScoreStore() = default;
    // Keeps one score. False when the store could not.
    virtual bool add(const std::string& name, long score) = 0;
    // The best SERVER_TABLE_SIZE scores, best first. False on a store error.
    virtual bool topTen(std::vector<StoredScore>* out) = 0;
    // True when other processes may write the same store (no reply cache).
    virtual bool shared() const = 0;
    // For the log: the file, or the database without its password.
    virtual std::string describe() const = 0;
};

// "postgresql://..." or "postgres://...": PostgreSQL; anything else names a
// SQLite file. connections bounds PostgreSQL's pool. Null and *error set
// when the store cannot be opened or its table made.
std::unique_ptr<ScoreStore> OpenScoreStore(const std::string& database, int connections,
                                           std::string* error);
std::unique_ptr<ScoreStore> OpenSqliteStore(const std::string& path, std::string* error);
std::unique_ptr<ScoreStore> OpenPostgresStore(const std::string& conninfo, int connections,
                                              std::string* error);
bool IsPostgresUrl(const std::string& database);

// ---------------------------------------------------------------------------
// Per-client token bucket
// ---------------------------------------------------------------------------
// Each client holds up to perMinute tokens, refilled at perMinute a minute;
// a submission takes one. perMinute 0 turns the limit off. Time comes from
// the caller, in seconds on any steady clock.
class SubmitLimiter {
  public:
    explicit SubmitLimiter(int perMinute) : perMinute_(perMinute) {}
    bool take(const std::string& client, double now);
    size_t clientCount();

  private:
    struct Bucket {
        double tokens;
        double updated;
    };
    enum { MAX_CLIENTS = 4096 };
    int perMinute_;
    std::mutex lock_;
    std::map<std::string, Bucket> buckets_;
};

// ---------------------------------------------------------------------------
// Requests
// ---------------------------------------------------------------------------
struct ScoreAnswer {
    int status;
    std::string body;
    std::string refusal; // why a 4xx or 5xx, for the log; empty on 200
};

// One GET of the score path: the table, or one submission. The encoded
// table is cached until the next accepted score, unless the store is
// shared with other instances.
class ScoreService {
  public:
    ScoreService(ScoreStore* store, int submitLimit) : store_(store), limiter_(submitLimit) {}
    ScoreAnswer handle(const std::string& target, const std::string& client, double now);

  private:
    bool tableReply(std::string* reply);
    ScoreStore* store_;
    SubmitLimiter limiter_;
    std::mutex cacheLock_;
    std::shared_ptr<const std::string> cached_;
    uint64_t generation_ = 0; // bumped by every accepted score
};

// The reply the game decodes: "count name score ...", best first, one blank
// between items, reversed, shifted, with one pad character at the end.
std::string EncodeTable(const std::vector<StoredScore>& top);
