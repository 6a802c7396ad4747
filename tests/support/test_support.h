// Small helpers shared by the test binaries: temporary game directories and
// whole-file reads. Keep this free of any subsystem: each test folder keeps
// its own fixtures.
#pragma once

#include <string>

namespace k3dtest {

// The build directory: the game directory with the generated data tree.
inline const char* GameDir() { return K3D_GAME_DIR; }
inline const char* SourceDir() { return K3D_SOURCE_DIR; }

// A fresh directory under /tmp, removed with everything in it on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

bool ReadWholeFile(const std::string& path, std::string* out);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

} // namespace k3dtest
