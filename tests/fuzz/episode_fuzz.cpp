// The episode file reader on arbitrary bytes, written once with LF and once
// with CR LF line ends: both must give the same cells, and those cells must
// be the ones the layout format puts at each record, row and column.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "tests/fuzz/fuzz_file.h"

namespace {

const char* const FileName = "episode.pak";

bool Load(const std::string& bytes) {
    if (!fuzzfile::Write(FileName, bytes.data(), bytes.size())) return false;
    LoadEpisodeFile(FileName);
    return true;
}

int Cells[STAGE_COUNT][STAGE_GRID][STAGE_GRID];

void CheckStageOrder() {
    bool seen[STAGE_COUNT] = {false};
    for (int p = 0; p < STAGE_COUNT; ++p) {
        const int r = StageOrder[p];
        if (r < 0 || r >= STAGE_COUNT || seen[r]) __builtin_trap();
        seen[r] = true;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The LF form drops every CR; the CR LF form puts one before each LF.
    std::string lf, crlf;
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\r') continue;
        lf += c;
        if (c == '\n') crlf += '\r';
        crlf += c;
    }

    // What the format says: the first EPISODE_TEXT_SIZE characters, less
    // every one below 32 as a signed byte, cut into 323-character records.
    std::string clean;
    for (size_t i = 0; i < lf.size() && i < EPISODE_TEXT_SIZE; ++i)
        if (static_cast<signed char>(lf[i]) >= 32) clean += lf[i];

    if (!Load(lf)) return 0;
    CheckStageOrder();
    for (int r = 0; r < STAGE_COUNT; ++r)
        for (int row = 0; row < STAGE_GRID; ++row)
            for (int col = 0; col < STAGE_GRID; ++col) {
                const size_t at =
                    STAGE_RECORD_SIZE * r + STAGE_GRID_OFFSET + STAGE_GRID * row + col;
                const int c = at < clean.size() ? static_cast<unsigned char>(clean[at]) : 0;
                const int want = c <= '0' ? 0 : (c - '0' > 12 ? 12 : c - '0');
                const int code = StageCell(r, row, col);
                if (code != want) __builtin_trap();
                Cells[r][row][col] = code;
            }
    if (StageCell(-1, 0, 0) != 0 || StageCell(STAGE_COUNT, 0, 0) != 0 ||
        StageCell(0, STAGE_GRID, 0) != 0 || StageCell(0, 0, -1) != 0)
        __builtin_trap();

    if (!Load(crlf)) return 0;
    CheckStageOrder();
    for (int r = 0; r < STAGE_COUNT; ++r)
        for (int row = 0; row < STAGE_GRID; ++row)
            for (int col = 0; col < STAGE_GRID; ++col)
                if (StageCell(r, row, col) != Cells[r][row][col]) __builtin_trap();
    return 0;
}
