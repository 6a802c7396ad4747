// Fixtures of the shell tests: the process log pointed at a file of its
// own, a game directory of its own under /tmp, and a game window with the
// generated data that runs frames through the real dispatcher.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "shell/shell.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_support.h"

namespace shelltest {

using k3dtest::LogCapture;

// A game directory with an empty Orvi/ folder, made the executable
// directory for the life of the object.
class GameDirectory {
  public:
    GameDirectory();
    ~GameDirectory();
    GameDirectory(const GameDirectory&) = delete;
    GameDirectory& operator=(const GameDirectory&) = delete;
    std::string file(const std::string& name) const { return dir_.file(name); }
    std::string configFile() const { return dir_.file("Orvi/quon.cfg"); }

  private:
    k3dtest::TempDir dir_;
};

// A 640 x 480 game window for the whole suite, the meshes, cameras and
// episode loaded; each test starts with no sound, no input and 16 ms frames.
class GameWindowTest : public ::testing::Test {
  protected:
    static void OpenGameWindow(const char* title);
    static void TearDownTestSuite();
    static void ResetPlay(unsigned seed);
    // One frame as the main loop runs it (no clock step), then the flip,
    // which pumps the window's events.
    static void RunFrame(uint32_t keys, bool fire, bool right);
    static void Flip();
    static void StartGame();
    static void KillType(int type);

    static KWindow* window_;
};

} // namespace shelltest
