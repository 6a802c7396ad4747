// The real k3d-score-server, started on a free loopback port with a database
// of the test's own, and stopped with SIGTERM as a service manager would.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <vector>
#include <sys/socket.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

namespace scoretest {

class ServerProcess {
  public:
    ServerProcess() = default;
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts the binary and waits (at most 5 s) for its "listening" line.
    // Submissions are not limited unless extra options say otherwise: the
    // tests send many from one address.
    bool start(const std::string& database, std::vector<std::string> extra = {}) {
        stop();
        log_.clear();
        port_ = 0;
        int out[2];
        if (pipe(out) != 0) return false;
        pid_ = fork();
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            const std::string binary = std::string(K3D_GAME_DIR) + "/k3d-score-server";
            std::vector<std::string> args = {binary, "--listen",  "127.0.0.1", "--port",
                                             "0",    "--threads", "4",         "--submit-limit",
                                             "0"};
            if (!database.empty()) { // else from the options or the environment
                args.push_back("--db");
                args.push_back(database);
            }
            args.insert(args.end(), extra.begin(), extra.end());
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(&a[0]);
            argv.push_back(nullptr);
            execv(binary.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        output_ = out[0];
        fcntl(output_, F_SETFL, O_NONBLOCK);
        for (int waited = 0; waited < 5000; waited += 10) {
            readOutput(10);
            const char* at = std::strstr(log_.c_str(), "listening on 127.0.0.1:");
            if (at) {
                const char* digits = at + std::strlen("listening on 127.0.0.1:");
                const char* comma = std::strchr(digits, ',');
                if (comma) {
                    port_ = std::atoi(digits);
                    return port_ > 0;
                }
            }
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
        }
        return false;
    }

    // SIGTERM, then the exit status (-1 when it had to be killed).
    int stop() {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        int result = -1;
        for (int waited = 0; waited < 5000; waited += 10) {
            readOutput(0);
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                pid_ = -1;
                break;
            }
            usleep(10000);
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
        readOutput(0);
        if (output_ >= 0) close(output_);
        output_ = -1;
        return result;
    }

    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    // Everything the server printed so far.
    const std::string& log() {
        readOutput(0);
        return log_;
    }
    // Waits (at most 2 s) until the output holds text count times.
    int waitForLog(const std::string& text, int count) {
        int seen = 0;
        for (int waited = 0; waited <= 2000; waited += 10) {
            readOutput(10);
            seen = 0;
            for (size_t at = log_.find(text); at != std::string::npos; at = log_.find(text, at + 1))
                seen++;
            if (seen >= count) break;
        }
        return seen;
    }

  private:
    void readOutput(int waitMs) {
        if (output_ < 0) return;
        pollfd p = {output_, POLLIN, 0};
        poll(&p, 1, waitMs);
        char chunk[4096];
        for (;;) {
            ssize_t n = read(output_, chunk, sizeof chunk);
            if (n <= 0) break;
            log_.append(chunk, (size_t)n);
        }
    }

    pid_t pid_ = -1;
    int output_ = -1;
    int port_ = 0;
    std::string log_;
};

// A loopback port that nothing listens on (bound, then closed).
inline int RefusingPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(s, (sockaddr*)&a, sizeof a);
    socklen_t size = sizeof a;
    getsockname(s, (sockaddr*)&a, &size);
    close(s);
    return ntohs(a.sin_port);
}

// A listening loopback socket that accepts (through the kernel backlog)
// and never answers.
class SilentServer {
  public:
    SilentServer() {
        socket_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, (sockaddr*)&a, sizeof a);
        listen(socket_, 8);
        socklen_t size = sizeof a;
        getsockname(socket_, (sockaddr*)&a, &size);
        port_ = ntohs(a.sin_port);
    }
    ~SilentServer() { close(socket_); }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    int socket_ = -1;
    int port_ = 0;
};

} // namespace scoretest
