// The run's log: "log.txt" in the log directory, one timestamped line
// per message, also copied to standard output.
#include "shell/shell.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/syscall.h>
#include <unistd.h>

GameLog* MainLog = nullptr;

static const char* const LogTypeNames[] = {"fatal", "warning", "info", "debug"};

GameLog::GameLog(const char* name) : level(2), file(nullptr) {
    std::snprintf(fileName, sizeof(fileName), "%s", name ? name : "log.txt");
    // Opened once: a start-up writes over a hundred lines.
    file = std::fopen(fileName, "w");
}

GameLog::~GameLog() {
    if (file) std::fclose(file);
}

bool GameLog::setLevel(int newLevel) {
    if (newLevel < 0 || newLevel > 2) return false;
    level = newLevel;
    return true;
}

bool GameLog::write(int type, const char* message) {
    static char copy[LOG_MESSAGE_MAX];
    static char line[LOG_MESSAGE_MAX + 128];
    std::snprintf(copy, sizeof(copy), "%s", message ? message : "");
    // Level 0 writes fatal and warning, 1 adds info, 2 adds debug.
    if (type < 0 || type > 3 || type > level + 1) return true;

    const std::time_t now = std::time(nullptr);
    std::tm local;
    localtime_r(&now, &local);
    char stamp[64];
    std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    const int threadId = (int)syscall(SYS_gettid);
    std::snprintf(line, sizeof(line), "%s - [threadId=%d]\t- %s\t%s", stamp, threadId,
                  LogTypeNames[type], copy);

    if (file) {
        // Flushed at once, so the line survives a crash right after it.
        std::fputs(line, file);
        std::fflush(file);
    }
    std::fputs(line, stdout);
    std::fflush(stdout);
    return true;
}

void logf(GameLog* log, const char* format, ...) {
    if (log == nullptr) return;
    static char buffer[LOG_MESSAGE_MAX];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    log->write(LOG_INFO, buffer);
}

void logTagged(const char* tag, const char* text) {
    logf(MainLog, "%s %s\n", tag, text);
}

void FatalExit(const char* text) {
    if (MainLog) {
        char line[LOG_MESSAGE_MAX];
        std::snprintf(line, sizeof(line), "SYSTEM %s\n", text);
        MainLog->write(LOG_FATAL, line);
    }
    std::fprintf(stderr, "k3d: %s\n", text);
    std::exit(1);
}
