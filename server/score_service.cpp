// One request of the score path, and the per-client limit on submissions.
#include "server/score_server.h"

bool SubmitLimiter::take(const std::string& client, double now) {
    if (perMinute_ <= 0) return true;
    const double capacity = perMinute_;
    const double perSecond = perMinute_ / 60.0;
    std::lock_guard<std::mutex> guard(lock_);
    if (buckets_.size() >= MAX_CLIENTS && buckets_.find(client) == buckets_.end()) {
        // Forget the clients whose bucket has filled up again: they lose
        // nothing. Past that, a flood of addresses resets every bucket
        // rather than growing the map without bound.
        for (auto b = buckets_.begin(); b != buckets_.end();) {
            if (b->second.tokens + (now - b->second.updated) * perSecond >= capacity)
                b = buckets_.erase(b);
            else
                ++b;
        }
        if (buckets_.size() >= MAX_CLIENTS) buckets_.clear();
    }
    auto found = buckets_.find(client);
    if (found == buckets_.end()) found = buckets_.emplace(client, Bucket{capacity, now}).first;
    Bucket& bucket = found->second;
    if (now > bucket.updated) {
        bucket.tokens += (now - bucket.updated) * perSecond;
        if (bucket.tokens > capacity) bucket.tokens = capacity;
        bucket.updated = now;
    }
    if (bucket.tokens < 1.0) return false;
    bucket.tokens -= 1.0;
    return true;
}

size_t SubmitLimiter::clientCount() {
    std::lock_guard<std::mutex> guard(lock_);
    return buckets_.size();
}

bool ScoreService::tableReply(std::string* reply) {
    uint64_t generation = 0;
    if (!store_->shared()) {
        std::lock_guard<std::mutex> guard(cacheLock_);
        if (cached_) {
            *reply = *cached_;
            return true;
        }
        generation = generation_;
    }
    std::vector<StoredScore> top;
    if (!store_->topTen(&top)) return false;
    *reply = EncodeTable(top);
    if (!store_->shared()) {
        // A score accepted while we read may be missing from this table:
        // keep it only if none was.
        std::lock_guard<std::mutex> guard(cacheLock_);
        if (generation == generation_) cached_ = std::make_shared<const std::string>(*reply);
    }
    return true;
}

static ScoreAnswer Refuse(int status, const std::string& why) {
    return ScoreAnswer{status, "refused: " + why + "\n", why};
}

ScoreAnswer ScoreService::handle(const std::string& target, const std::string& client, double now) {
    if (target.size() > SERVER_MAX_TARGET) return Refuse(414, "request target too long");
    std::string path;
    std::vector<std::pair<std::string, std::string>> params;
    if (!ParseTarget(target, &path, &params)) return Refuse(400, "bad percent escape");
    if (path != ScorePath) return Refuse(404, "no such path");
    if (params.empty()) {
        std::string reply;
        if (!tableReply(&reply))
            return ScoreAnswer{500, "store unavailable\n", "store unavailable"};
        return ScoreAnswer{200, reply, ""};
    }
    // Every submission attempt takes a token, so a flood of junk is as
    // cheap to turn away as a flood of scores.
    if (!limiter_.take(client, now)) return Refuse(429, "too many submissions");
    if (params.size() != 1 || params[0].first != "msg")
        return Refuse(400, "the query must be one msg");
    std::string name;
    long score = 0;
    MessageVerdict verdict = DecodeMessage(params[0].second, &name, &score);
    if (verdict != MESSAGE_OK) return Refuse(400, MessageVerdictText(verdict));
    if (!store_->add(name, score))
        return ScoreAnswer{500, "store unavailable\n", "store unavailable"};
    {
        std::lock_guard<std::mutex> guard(cacheLock_);
        generation_++;
        cached_.reset();
    }
    return ScoreAnswer{200, "OK\n", ""};
}

bool IsPostgresUrl(const std::string& database) {
    return database.compare(0, 13, "postgresql://") == 0 ||
           database.compare(0, 11, "postgres://") == 0;
}

std::unique_ptr<ScoreStore> OpenScoreStore(const std::string& database, int connections,
                                           std::string* error) {
    if (IsPostgresUrl(database)) return OpenPostgresStore(database, connections, error);
    return OpenSqliteStore(database, error);
}
