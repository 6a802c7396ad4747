#include "tests/support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace k3dtest {

TempDir::TempDir() {
    char tmpl[] = "/tmp/k3d-test-XXXXXX";
    const char* made = mkdtemp(tmpl);
    path_ = made ? made : "/tmp";
}

static int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

TempDir::~TempDir() {
    if (path_ != "/tmp") nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool ReadWholeFile(const std::string& path, std::string* out) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    out->clear();
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
    fclose(f);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

} // namespace k3dtest
