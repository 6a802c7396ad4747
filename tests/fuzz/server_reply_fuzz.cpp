// What the score server sends back, arbitrary: the HTTP reply reader gives
// one answer however the bytes are split, never a body past its cap; the
// table decoder reads within the reply and leaves ten terminated names.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "scores/khttp_fetch.h"
#include "scores/scores.h"

namespace {

void Collect(void* to, const char* data, size_t bytes) {
    static_cast<std::string*>(to)->append(data, bytes);
}

// The reader's answer with the reply fed in pieces of `piece` bytes.
bool ReadInPieces(const uint8_t* data, size_t size, size_t piece, std::string* body) {
    HttpReplyReader reader(Collect, body);
    for (size_t at = 0; at < size; at += piece) {
        const size_t bytes = size - at < piece ? size - at : piece;
        if (!reader.feed(reinterpret_cast<const char*>(data) + at, bytes)) break;
    }
    return reader.done() || reader.finish();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0) {
        // The first byte picks how the connection splits the rest.
        const size_t piece = 1 + data[0] % 64;
        std::string whole, split;
        const bool wholeOk = ReadInPieces(data + 1, size - 1, size, &whole);
        const bool splitOk = ReadInPieces(data + 1, size - 1, piece, &split);
        if (wholeOk != splitOk || (wholeOk && whole != split)) __builtin_trap();
        if (whole.size() > HTTP_MAX_REPLY || whole.size() > size) __builtin_trap();
    }

    const size_t count = size > 4096 ? 4096 : size;
    char* reply = new char[count + 1];
    if (count > 0) std::memcpy(reply, data, count);
    reply[count] = '\0';
    ClearScoreTable();
    ParseOnlineScores(reply);
    for (int i = 0; i < SCORE_TABLE_SIZE; i++)
        if (std::memchr(ScoreTable[i].name, 0, SCORE_NAME_SIZE) == nullptr) __builtin_trap();
    delete[] reply;
    return 0;
}
