// Fixtures of the shell tests: the process log pointed at a file of its
// own, and a game directory of its own under /tmp.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "shell/shell.h"
#include "tests/support/test_support.h"

namespace shelltest {

// Points MainLog at <temp>/log.txt for the life of the object.
class LogCapture {
  public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    std::string text() const;
    std::string path() const { return dir_.file("log.txt"); }

  private:
    k3dtest::TempDir dir_;
    GameLog* saved_;
    GameLog* log_;
};

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

} // namespace shelltest
