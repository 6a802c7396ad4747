// k3d-score-server's command line and HTTP front: options, the listening
// socket, one log line per request, a clean stop on SIGTERM and SIGINT.
#include "server/score_server.h"

#include <httplib.h>

#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

const char* const UsageText =
    "usage: k3d-score-server [OPTION]...\n"
    "The score server of the K3D game: keeps every accepted score and answers\n"
    "the top ten.\n"
    "\n"
    "  --listen ADDRESS      address to listen on (default 127.0.0.1)\n"
    "  --port PORT           TCP port (default 8642; 0 picks a free one,\n"
    "                        printed on the first line)\n"
    "  --db DATABASE         a SQLite file, or a PostgreSQL connection URL\n"
    "                        postgresql://USER@HOST:PORT/NAME shared by several\n"
    "                        instances (default k3d-scores.db)\n"
    "  --db-file PATH        read DATABASE from the first line of PATH, so a\n"
    "                        password stays off the process list\n"
    "  --submit-limit N      submissions per client per minute (default 10;\n"
    "                        0 turns the limit off)\n"
    "  --threads N           requests handled at once, and PostgreSQL\n"
    "                        connections per instance (default 8)\n"
    "  --help                this text\n"
    "\n"
    "Without --db or --db-file, the environment variable K3D_SCORE_DB names\n"
    "the database.\n";

struct Options {
    std::string address = "127.0.0.1";
    int port = 8642;
    std::string database = "k3d-scores.db";
    int submitLimit = 10;
    int threads = 8;
};

bool ReadNumber(const std::string& text, long low, long high, int* out) {
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || number < low || number > high) return false;
    *out = (int)number;
    return true;
}

bool ReadFirstLine(const std::string& path, std::string* line) {
    std::ifstream file(path);
    if (!file || !std::getline(file, *line)) return false;
    while (!line->empty() && (line->back() == '\r' || line->back() == ' ' || line->back() == '\t'))
        line->pop_back();
    return !line->empty();
}

// 0: run; 1: done (help shown); 2: bad command line.
int ParseOptions(int argc, char** argv, Options* options) {
    std::string database, databaseFile;
    for (int i = 1; i < argc; i++) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(UsageText, stdout);
            return 1;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "k3d-score-server: %s needs a value\n", option.c_str());
            return 2;
        }
        std::string value = argv[++i];
        bool good = true;
        if (option == "--listen") {
            options->address = value;
        } else if (option == "--port") {
            good = ReadNumber(value, 0, 65535, &options->port);
        } else if (option == "--db") {
            database = value;
            good = !value.empty();
        } else if (option == "--db-file") {
            databaseFile = value;
        } else if (option == "--submit-limit") {
            good = ReadNumber(value, 0, 1000000, &options->submitLimit);
        } else if (option == "--threads") {
            good = ReadNumber(value, 1, 256, &options->threads);
        } else {
            std::fprintf(stderr, "k3d-score-server: unknown option %s (see --help)\n",
                         option.c_str());
            return 2;
        }
        if (!good) {
            std::fprintf(stderr, "k3d-score-server: bad value for %s (see --help)\n",
                         option.c_str());
            return 2;
        }
    }
    if (!database.empty()) {
        options->database = database;
    } else if (!databaseFile.empty()) {
        if (!ReadFirstLine(databaseFile, &options->database)) {
            std::fprintf(stderr, "k3d-score-server: cannot read a database from %s\n",
                         databaseFile.c_str());
            return 2;
        }
    } else if (const char* fromEnvironment = std::getenv("K3D_SCORE_DB")) {
        if (*fromEnvironment) options->database = fromEnvironment;
    }
    return 0;
}

// Request targets are the client's bytes: nothing unprintable reaches the log.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text.substr(0, SERVER_MAX_TARGET)) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out.push_back((char)c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    if (text.size() > SERVER_MAX_TARGET) out += "...";
    return out;
}

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    int parsed = ParseOptions(argc, argv, &options);
    if (parsed == 1) return 0;
    if (parsed == 2) return 2;

    // Signals are taken by one thread with sigwait, so the stop happens
    // outside a signal handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    std::unique_ptr<ScoreStore> store = OpenScoreStore(options.database, options.threads, &error);
    if (!store) {
        std::fprintf(stderr, "k3d-score-server: %s\n", error.c_str());
        return 1;
    }
    ScoreService service(store.get(), options.submitLimit);

    httplib::Server server;
    const int threads = options.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool((size_t)threads); };
    // The game opens one connection per request; an idle client must not
    // hold a worker for long.
    server.set_keep_alive_max_count(1);
    server.set_read_timeout(2, 0);
    server.set_write_timeout(2, 0);
    server.set_payload_max_length(4096);
    server.set_tcp_nodelay(true);
    // Address reuse for a quick restart, but no shared port: a second
    // server on a busy port must fail instead of splitting the requests.
    int listening = -1;
    server.set_socket_options([&listening](int sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listening = sock;
    });
    server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        std::string why;
        if (response.status >= 400 && response.body.compare(0, 9, "refused: ") == 0)
            why = " " + response.body.substr(9, response.body.size() - 10);
        std::printf("%s %s %s %d%s\n", request.remote_addr.c_str(),
                    Printable(request.method).c_str(), Printable(request.target).c_str(),
                    response.status, why.c_str());
        std::fflush(stdout);
    });
    server.Get(".*", [&service](const httplib::Request& request, httplib::Response& response) {
        ScoreAnswer answer = service.handle(request.target, request.remote_addr, SteadySeconds());
        response.status = answer.status;
        response.set_content(answer.body, "text/plain");
    });

    int bound = options.port;
    if (options.port == 0) {
        bound = server.bind_to_any_port(options.address);
        if (bound < 0) bound = -1;
    } else if (!server.bind_to_port(options.address, options.port)) {
        bound = -1;
    }
    if (bound <= 0) {
        std::fprintf(stderr, "k3d-score-server: cannot listen on %s:%d\n", options.address.c_str(),
                     options.port);
        return 1;
    }
    // The library listens with a backlog of 5: a burst of new connections
    // past it has its SYNs dropped and waits a whole second to retry.
    if (listening >= 0) listen(listening, 1024);
    std::printf("k3d-score-server listening on %s:%d, database %s\n", options.address.c_str(),
                bound, store->describe().c_str());
    std::fflush(stdout);

    std::thread stopper([&server, stopSignals]() {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    bool served = server.listen_after_bind();
    if (stopper.joinable()) {
        // listen can end on its own (a socket error): wake the waiter.
        if (!served) pthread_kill(stopper.native_handle(), SIGTERM);
        stopper.join();
    }
    store.reset();
    std::printf("k3d-score-server stopped\n");
    std::fflush(stdout);
    return served ? 0 : 1;
}
