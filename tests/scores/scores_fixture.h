// Common set-up of the score tests: a game directory of the test's own (so
// "scores.txt" and the log land there) and a score server that refuses, so
// nothing leaves for a real one unless a test starts it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "scores/scores.h"
#include "shell/shell.h"
#include "tests/scores/score_server_process.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_support.h"

namespace scoretest {

class ScoresTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetExeDirectory(dir.path().c_str());
        SetScoreServer(("127.0.0.1:" + std::to_string(RefusingPort())).c_str());
        ClearScoreTable();
    }
    void TearDown() override { SetScoreServer(nullptr); }

    std::string logText() { return log.text(); }
    // 1000, 900, ..., 100 under the names p1 ... p10.
    static void FillTable() {
        for (int i = 0; i < SCORE_TABLE_SIZE; i++) {
            ScoreTable[i].score = 1000 - 100 * i;
            std::snprintf(ScoreTable[i].name, sizeof ScoreTable[i].name, "p%d", i + 1);
        }
    }

    k3dtest::TempDir dir;
    k3dtest::LogCapture log;
};

} // namespace scoretest
