#include "tests/shell/shell_fixture.h"

#include <sys/stat.h>

#include "platform/platform.h"

namespace shelltest {

LogCapture::LogCapture() : saved_(MainLog), log_(nullptr) {
    log_ = new GameLog(dir_.file("log.txt").c_str());
    MainLog = log_;
}

LogCapture::~LogCapture() {
    MainLog = saved_;
    delete log_;
}

std::string LogCapture::text() const {
    std::string out;
    k3dtest::ReadWholeFile(dir_.file("log.txt"), &out);
    return out;
}

GameDirectory::GameDirectory() {
    mkdir(dir_.file("Orvi").c_str(), 0755);
    SetExeDirectory(dir_.path().c_str());
}

GameDirectory::~GameDirectory() {
    SetExeDirectory(k3dtest::GameDir());
}

} // namespace shelltest
