// The online table decoder on arbitrary replies: bounded reads of the reply,
// ten terminated names within their field whatever the server sent.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scores/scores.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
