// The score-file reader on arbitrary bytes: it reads only what it was given,
// and whatever it accepts leaves ten terminated names within their field.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scores/scores.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int count = size > 2048 ? 2048 : (int)size;
    // A heap copy of exactly count bytes, so ASan sees any overread.
    uint8_t* bytes = new uint8_t[count > 0 ? count : 1];
    if (count > 0) std::memcpy(bytes, data, count);
    ClearScoreTable();
    ParseScoreFile(bytes, count);
    for (int i = 0; i < SCORE_TABLE_SIZE; i++)
        if (std::memchr(ScoreTable[i].name, 0, SCORE_NAME_SIZE) == nullptr) __builtin_trap();
    delete[] bytes;
    return 0;
}
