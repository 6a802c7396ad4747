// Fixtures of the render tests: a real GL window under Xvfb, Targa and mesh
// files written into a temporary directory, and a log read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/shell.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_support.h"

namespace rendertest {

// A path that pathJoin turns back into absolutePath: the loaders only take
// paths relative to the game directory.
std::string FromGameDir(const std::string& absolutePath);

// An uncompressed Targa: 18-byte header, then the pixel bytes as given.
std::string TargaBytes(int imageType, int width, int height, int depth,
                       const std::vector<uint8_t>& pixels, int colourMapType = 0,
                       const std::string& id = "");

using CapturedLog = k3dtest::LogCapture;

// A 640 x 480 GL window with the game's start-up GL state and projection.
// One per test binary: created at the first use, kept until exit.
class GlTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    static bool HaveWindow();
};

} // namespace rendertest
