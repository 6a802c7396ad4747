#include "tools/assetgen/fs_util.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool UsableGameDir(const std::string& gameDir) {
    if (gameDir.empty()) {
        fprintf(stderr, "k3d-assetgen: the game directory is empty\n");
        return false;
    }
    return true;
}

bool MakeDirs(const std::string& dir) {
    std::string part;
    for (size_t i = 0; i <= dir.size(); ++i) {
        if (i == dir.size() || dir[i] == '/') {
            if (!part.empty() && mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
                fprintf(stderr, "k3d-assetgen: cannot create %s: %s\n", part.c_str(),
                        strerror(errno));
                return false;
            }
        }
        if (i < dir.size()) part += dir[i];
    }
    return true;
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        fprintf(stderr, "k3d-assetgen: cannot write %s: %s\n", path.c_str(), strerror(errno));
        return false;
    }
    bool ok = fwrite(data, 1, size, f) == size;
    ok = fclose(f) == 0 && ok;
    if (!ok) fprintf(stderr, "k3d-assetgen: short write on %s\n", path.c_str());
    return ok;
}
