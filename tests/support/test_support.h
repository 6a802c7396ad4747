// Small helpers shared by the test binaries: temporary game directories and
// whole-file reads. Keep this free of any subsystem: each test folder keeps
// its own fixtures.
#pragma once

#include <string>

namespace k3dtest {

// The build directory: the game directory with the generated data tree.
inline const char* GameDir() { return K3D_GAME_DIR; }

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

// An X server of the test's own: Xvfb with one screen of the given size,
// on a display number it picks itself, made the process's DISPLAY for the
// life of the object. Every test that moves or grabs the pointer or sends
// input through the X server opens its windows on one, so tests running in
// parallel never move each other's pointer or steal each other's focus.
// SDL's video is shut down on the way in and out, so the windows opened in
// between are on this server and those after it on the previous one.
class OwnXServer {
  public:
    OwnXServer(int width = 1280, int height = 1024);
    ~OwnXServer();
    OwnXServer(const OwnXServer&) = delete;
    OwnXServer& operator=(const OwnXServer&) = delete;
    bool ok() const { return pid_ > 0 && !display_.empty(); }
    const std::string& display() const { return display_; }

  private:
    int pid_;
    std::string display_;
    std::string savedDisplay_;
    bool hadDisplay_;
};

bool ReadWholeFile(const std::string& path, std::string* out);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

} // namespace k3dtest
