// A load client for k3d-score-server on loopback: N concurrent clients, each
// opening a new connection per request as the game does, nine table reads
// for every submission. Bounded in requests and in seconds; prints the
// throughput and the latency percentiles. A measurement, never a test.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "scores/khttp_fetch.h"
#include "scores/scores.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
    int port = 8642;
    int clients = 64;
    long requests = 100000;
    double seconds = 20;
    int submitEvery = 10; // one request in ten is a submission
};

struct Sample {
    double ms;
    bool submit;
    bool ok;
};

// One request on a fresh connection; the status, or -1 on a socket error.
int OneRequest(int port, const std::string& request) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return -1;
    int yes = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    timeval limit = {5, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((uint16_t)port);
    int status = -1;
    if (connect(s, (sockaddr*)&a, sizeof a) == 0 &&
        write(s, request.data(), request.size()) == (ssize_t)request.size()) {
        char reply[4096];
        size_t have = 0;
        for (;;) {
            ssize_t n = read(s, reply + have, sizeof reply - 1 - have);
            if (n <= 0) break;
            have += (size_t)n;
            if (have == sizeof reply - 1) have = 16; // keep the status line, drop the rest
        }
        reply[have] = 0;
        if (have > 12 && std::strncmp(reply, "HTTP/1.", 7) == 0) status = std::atoi(reply + 9);
    }
    close(s);
    return status;
}

std::string Request(const std::string& target) {
    return "GET " + target +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: K3D score client/1.0\r\n"
           "Connection: close\r\n\r\n";
}

double Percentile(std::vector<double>* values, double fraction) {
    if (values->empty()) return 0;
    size_t at = (size_t)(fraction * (double)(values->size() - 1));
    std::nth_element(values->begin(), values->begin() + (long)at, values->end());
    return (*values)[at];
}

bool ReadOption(int argc, char** argv, int* i, const char* name, double* out) {
    if (std::strcmp(argv[*i], name) != 0 || *i + 1 >= argc) return false;
    *out = std::atof(argv[++*i]);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; i++) {
        double value = 0;
        if (ReadOption(argc, argv, &i, "--port", &value))
            settings.port = (int)value;
        else if (ReadOption(argc, argv, &i, "--clients", &value))
            settings.clients = (int)value;
        else if (ReadOption(argc, argv, &i, "--requests", &value))
            settings.requests = (long)value;
        else if (ReadOption(argc, argv, &i, "--seconds", &value))
            settings.seconds = value;
        else {
            std::fprintf(stderr, "usage: k3d-score-load --port PORT [--clients 64] "
                                 "[--requests 100000] [--seconds 20]\n");
            return 2;
        }
    }
    settings.clients = std::max(1, std::min(settings.clients, 1024));
    settings.seconds = std::max(0.1, std::min(settings.seconds, 300.0));

    const std::string tableRequest = Request("/scoring/k3/k3score.php");
    std::atomic<long> next(0);
    const Clock::time_point start = Clock::now();
    const Clock::time_point stop =
        start + std::chrono::microseconds((long)(settings.seconds * 1e6));
    std::vector<std::vector<Sample>> samples((size_t)settings.clients);
    std::vector<std::thread> clients;
    for (int c = 0; c < settings.clients; c++) {
        clients.emplace_back([&, c] {
            std::vector<Sample>& mine = samples[(size_t)c];
            for (;;) {
                long n = next++;
                if (n >= settings.requests || Clock::now() >= stop) break;
                bool submit = n % settings.submitEvery == 0;
                std::string request = tableRequest;
                if (submit) {
                    // The game's own message and escaping.
                    char message[SCORE_MESSAGE_BUFFER], value[SCORE_MESSAGE_BUFFER * 3];
                    std::string name = "l" + std::to_string(n % 100000000);
                    BuildScoreMessage(name.c_str(), (int32_t)(n % 1000000), message);
                    EncodeQueryValue(message, value, sizeof value);
                    request = Request(std::string("/scoring/k3/k3score.php?msg=") + value);
                }
                Clock::time_point begin = Clock::now();
                int status = OneRequest(settings.port, request);
                double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
                mine.push_back(Sample{ms, submit, status == 200});
            }
        });
    }
    for (std::thread& t : clients)
        t.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

    std::vector<double> reads, submits, all;
    long failed = 0;
    for (const std::vector<Sample>& list : samples)
        for (const Sample& s : list) {
            if (!s.ok) failed++;
            (s.submit ? submits : reads).push_back(s.ms);
            all.push_back(s.ms);
        }
    std::printf("clients %d, requests %zu in %.2f s, failed %ld\n", settings.clients, all.size(),
                elapsed, failed);
    std::printf("all        %8.0f req/s  p50 %6.2f ms  p99 %6.2f ms\n", all.size() / elapsed,
                Percentile(&all, 0.50), Percentile(&all, 0.99));
    std::printf("table read %8.0f req/s  p50 %6.2f ms  p99 %6.2f ms\n", reads.size() / elapsed,
                Percentile(&reads, 0.50), Percentile(&reads, 0.99));
    std::printf("submission %8.0f req/s  p50 %6.2f ms  p99 %6.2f ms\n", submits.size() / elapsed,
                Percentile(&submits, 0.50), Percentile(&submits, 0.99));
    return failed == 0 ? 0 : 1;
}
