#include "tests/support/test_support.h"

#include <SDL.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace k3dtest {

namespace {

// Xvfb writes its display number and a newline to the descriptor once it
// accepts clients; nothing at all when it fails to start.
std::string ReadDisplayNumber(int fd, int timeoutMs) {
    std::string number;
    for (;;) {
        pollfd p = {fd, POLLIN, 0};
        const int ready = poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return "";
        char c;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return "";
        if (c == '\n') return number;
        number += c;
    }
}

void StopVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

} // namespace

OwnXServer::OwnXServer(int width, int height) : pid_(-1), hadDisplay_(false) {
    const char* current = std::getenv("DISPLAY");
    hadDisplay_ = current != nullptr;
    if (current) savedDisplay_ = current;
    StopVideo();

    int fds[2];
    if (pipe(fds) != 0) return;
    char screen[32], fd[16];
    std::snprintf(screen, sizeof(screen), "%dx%dx24", width, height);
    std::snprintf(fd, sizeof(fd), "%d", fds[1]);
    const pid_t child = fork();
    if (child == 0) {
        // A test that crashes takes its server with it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp",
               "-noreset", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return;
    }
    pid_ = child;
    // Generous: on a loaded machine the server takes seconds to come up.
    const std::string number = ReadDisplayNumber(fds[0], 60000);
    close(fds[0]);
    if (number.empty()) {
        std::fprintf(stderr, "OwnXServer: Xvfb did not start\n");
        return;
    }
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
}

OwnXServer::~OwnXServer() {
    StopVideo();
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (hadDisplay_)
        setenv("DISPLAY", savedDisplay_.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

} // namespace k3dtest
