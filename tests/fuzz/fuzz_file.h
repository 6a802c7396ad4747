// The scratch file of the fuzz targets whose readers take a name relative to
// the game directory: a directory of its own under /tmp, made the game
// directory at the first write and removed when the fuzzer ends.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/platform.h"

namespace fuzzfile {

// Writes the bytes to `name` in the scratch directory; false if it cannot.
// Every call of one target passes the same name.
inline bool Write(const char* name, const void* bytes, size_t size) {
    static std::string dir, file;
    if (dir.empty()) {
        char pattern[] = "/tmp/k3d-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        dir = pattern;
        file = dir + "/" + name;
        SetExeDirectory(dir.c_str());
        std::atexit([] {
            std::remove(file.c_str());
            rmdir(dir.c_str());
        });
    }
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) return false;
    if (size) std::fwrite(bytes, 1, size, out);
    std::fclose(out);
    return true;
}

} // namespace fuzzfile
