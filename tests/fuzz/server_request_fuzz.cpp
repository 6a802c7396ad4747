// The score server's request handling on arbitrary targets, over a real
// in-memory SQLite store: every answer is one the server may give, a 200
// submission stores exactly one row, nothing else stores anything, and the
// message decoder never accepts what the game could not have sent.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "server/score_server.h"

namespace {

// The real store, with a count of the scores it was given.
class CountingStore : public ScoreStore {
  public:
    explicit CountingStore(std::unique_ptr<ScoreStore> inner) : inner_(std::move(inner)) {}
    bool add(const std::string& name, long score) override {
        adds++;
        return inner_->add(name, score);
    }
    bool topTen(std::vector<StoredScore>* out) override { return inner_->topTen(out); }
    bool shared() const override { return false; }
    std::string describe() const override { return inner_->describe(); }
    long adds = 0;

  private:
    std::unique_ptr<ScoreStore> inner_;
};

CountingStore* Store() {
    static CountingStore* store = [] {
        std::string error;
        std::unique_ptr<ScoreStore> inner = OpenSqliteStore(":memory:", &error);
        if (!inner) __builtin_trap();
        return new CountingStore(std::move(inner));
    }();
    return store;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!Store()) __builtin_trap();
    const std::string bytes((const char*)data, size);

    // The decoder alone: an accepted message is a name the game can type
    // and a score in range.
    std::string name;
    long score = -1;
    if (DecodeMessage(bytes, &name, &score) == MESSAGE_OK) {
        if (name.empty() || name.size() > SERVER_MAX_NAME) __builtin_trap();
        for (char c : name)
            if (!NameChar(c)) __builtin_trap();
        if (score < 0 || score > SERVER_MAX_SCORE) __builtin_trap();
    }

    // The whole handling, the input as the target and as a message value.
    static ScoreService service(Store(), 0);
    for (const std::string& target :
         {bytes, std::string(ScorePath) + "?msg=" + bytes, std::string(ScorePath) + bytes}) {
        const long before = Store()->adds;
        ScoreAnswer answer = service.handle(target, "127.0.0.1", 0);
        const long added = Store()->adds - before;
        switch (answer.status) {
        case 200:
            if (added != (answer.body == "OK\n" ? 1 : 0)) __builtin_trap();
            break;
        case 400:
        case 404:
        case 414:
            if (added != 0 || answer.refusal.empty()) __builtin_trap();
            break;
        default:
            __builtin_trap();
        }
    }
    return 0;
}
