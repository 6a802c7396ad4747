// The settings reader on arbitrary bytes: it never reads past what it was
// given, every cell stays a digit '0'..'5', and every valid byte of the
// first 30 lands in its own cell while the others keep theirs.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "shell/shell.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const Start = "221123531122111321111111111111";
    ReadConfigBytes(Start, CONFIG_BYTES);

    const int count = size > 64 ? 64 : (int)size;
    // A heap copy of exactly count bytes, so ASan sees any overread.
    char* bytes = new char[count > 0 ? count : 1];
    if (count > 0) std::memcpy(bytes, data, count);
    const int kept = ReadConfigBytes(bytes, count);

    char cells[CONFIG_BYTES];
    WriteConfigBytes(cells);
    int expectKept = 0;
    for (int at = 0; at < CONFIG_BYTES; ++at) {
        const bool valid = at < count && bytes[at] >= '0' && bytes[at] <= '5';
        if (!valid) ++expectKept;
        const char want = valid ? bytes[at] : Start[at];
        if (cells[at] != want) __builtin_trap();
    }
    if (kept != expectKept) __builtin_trap();
    delete[] bytes;
    return 0;
}
