// The process log pointed at a file of its own for the life of the object,
// read back whole or line by line.
#pragma once

#include <string>

#include "shell/shell.h"
#include "tests/support/test_support.h"

namespace k3dtest {

class LogCapture {
  public:
    LogCapture() : saved_(MainLog), log_(dir_.file("log.txt").c_str()) { MainLog = &log_; }
    ~LogCapture() { MainLog = saved_; }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string path() const { return dir_.file("log.txt"); }
    std::string text() const {
        std::string out;
        ReadWholeFile(path(), &out);
        return out;
    }
    int countLinesWith(const std::string& needle) const {
        const std::string all = text();
        int count = 0;
        for (size_t start = 0, end; start < all.size(); start = end + 1) {
            end = all.find('\n', start);
            if (end == std::string::npos) end = all.size();
            if (all.substr(start, end - start).find(needle) != std::string::npos) ++count;
        }
        return count;
    }

  private:
    TempDir dir_; // first: the log's file is in it
    GameLog* saved_;
    GameLog log_;
};

} // namespace k3dtest
