#include "scores/khttp_fetch.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

const char* const HttpUserAgent = "K3D score client/1.0";

KHttpFetch::KHttpFetch() : internet(nullptr), buffer(nullptr), length(0), capacity(0) {}

KHttpFetch::~KHttpFetch() {
    closeAll();
}

void KHttpFetch::closeAll() {
    internet = nullptr; // the client lives on download's stack
    std::free(buffer);
    buffer = nullptr;
    length = 0;
    capacity = 0;
}

// There is no cheap connection test on this platform: an unreachable server
// fails at once with "connection refused", which is the same answer.
const char* KHttpFetch::fetchUrl(const char* url, bool direct) {
    return download(url, direct);
}

void KHttpFetch::append(const char* data, size_t bytes) {
    size_t taken = 0;
    // Appended in chunks of the read size, growing by doubling, as the
    // reply arrives; past HTTP_MAX_REPLY the rest is dropped.
    while (taken < bytes) {
        size_t chunk = bytes - taken;
        if (chunk > HTTP_READ_CHUNK) chunk = HTTP_READ_CHUNK;
        if (length + (int32_t)chunk + 1 > HTTP_MAX_REPLY) return;
        std::memcpy(buffer + length, data + taken, chunk);
        length += (int32_t)chunk;
        taken += chunk;
        if (length + HTTP_READ_CHUNK >= capacity && capacity < HTTP_MAX_REPLY) {
            int32_t grown = capacity * 2;
            char* bigger = (char*)std::calloc((size_t)grown, 1);
            if (!bigger) return;
            std::memcpy(bigger, buffer, (size_t)length);
            std::free(buffer);
            buffer = bigger;
            capacity = grown;
        }
    }
}

// "http://host[:port]/target": the only scheme the game speaks.
static bool SplitHttpUrl(const char* url, std::string* host, int* port, std::string* target) {
    static const char scheme[] = "http://";
    if (std::strncmp(url, scheme, sizeof scheme - 1) != 0) return false;
    const char* start = url + sizeof scheme - 1;
    const char* end = start + std::strcspn(start, "/?#");
    const char* colon = nullptr;
    if (*start == '[') { // an IPv6 literal
        const char* close = (const char*)std::memchr(start, ']', (size_t)(end - start));
        if (!close) return false;
        host->assign(start + 1, close);
        if (close + 1 < end) {
            if (close[1] != ':') return false;
            colon = close + 1;
        }
    } else {
        colon = (const char*)std::memchr(start, ':', (size_t)(end - start));
        host->assign(start, colon ? colon : end);
    }
    if (host->empty()) return false;
    *port = 80;
    if (colon) {
        if (colon + 1 == end || end - colon > 6) return false;
        int value = 0;
        for (const char* p = colon + 1; p < end; p++) {
            if (*p < '0' || *p > '9') return false;
            value = value * 10 + (*p - '0');
        }
        if (value < 1 || value > 65535) return false;
        *port = value;
    }
    target->assign(*end == '/' ? end : "/");
    if (*end == '?') target->append(end);
    size_t fragment = target->find('#');
    if (fragment != std::string::npos) target->resize(fragment);
    return true;
}

const char* KHttpFetch::download(const char* url, bool direct) {
    (void)direct; // the client never goes through a proxy
    closeAll();
    char safeUrl[HTTP_URL_BUFFER];
    if (!url || !makeUrlSafe(url, safeUrl, sizeof safeUrl)) return nullptr;
    std::string host, target;
    int port = 0;
    if (!SplitHttpUrl(safeUrl, &host, &port, &target)) return nullptr;

    buffer = (char*)std::calloc(HTTP_FIRST_CAPACITY, 1);
    if (!buffer) return nullptr;
    capacity = HTTP_FIRST_CAPACITY;

    httplib::ClientImpl client(host, port);
    internet = &client;
    client.set_connection_timeout(0, HTTP_CONNECT_TIMEOUT_MS * 1000);
    client.set_read_timeout(0, HTTP_TOTAL_TIMEOUT_MS * 1000);
    client.set_write_timeout(0, HTTP_TOTAL_TIMEOUT_MS * 1000);
    client.set_keep_alive(false);
    client.set_tcp_nodelay(true); // the request goes in two writes: no delayed-ACK wait
    client.set_follow_location(false);
    client.set_url_encode(false); // the URL is already safe, and escaped as we chose
    client.set_compress(false);
    client.set_decompress(false);

    // The game waits on this request. The read time-out counts per read, so
    // a server trickling a byte at a time would hold it far longer: a
    // watchdog shuts the socket when the whole request is over its time.
    std::mutex watchLock;
    std::condition_variable watchWake;
    bool finished = false;
    std::thread watchdog([&] {
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(HTTP_TOTAL_TIMEOUT_MS);
        std::unique_lock<std::mutex> guard(watchLock);
        while (!finished) {
            if (watchWake.wait_until(guard, deadline) == std::cv_status::timeout) {
                // Again every 50 ms: a stop before the socket is up does nothing.
                client.stop();
                deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
            }
        }
    });

    httplib::Headers headers = {{"User-Agent", HttpUserAgent}};
    httplib::Result result = client.Get(target, headers, [this](const char* data, size_t bytes) {
        append(data, bytes);
        return true; // the cut part is swallowed, not an error
    });
    {
        std::lock_guard<std::mutex> guard(watchLock);
        finished = true;
    }
    watchWake.notify_one();
    watchdog.join();
    internet = nullptr;

    if (!result || result->status < 200 || result->status > 299) {
        closeAll();
        return nullptr;
    }
    buffer[length] = 0;
    return buffer;
}

static bool IsUnreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

static bool IsHexDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Characters that may stand in a path as they are.
static bool IsPathChar(unsigned char c) {
    if (IsUnreserved(c)) return true;
    return std::strchr("!$&'()*+,;=:@/%?", c) != nullptr && c != 0;
}

bool makeUrlSafe(const char* url, char* out, int outSize) {
    static const char hex[] = "0123456789ABCDEF";
    if (outSize <= 0) return false;
    int used = 0;
    bool inQuery = false;
    for (const unsigned char* p = (const unsigned char*)url; *p; p++) {
        unsigned char c = *p;
        bool plain;
        if (!inQuery) {
            plain = IsPathChar(c);
            if (c == '?') inQuery = true;
        } else {
            // The caller escaped its values: an escape stays as it is.
            plain = IsUnreserved(c) || c == '=' || c == '&' ||
                    (c == '%' && IsHexDigit(p[1]) && IsHexDigit(p[2]));
        }
        int need = plain ? 1 : 3;
        if (used + need >= outSize) {
            out[0] = 0;
            return false;
        }
        if (plain) {
            out[used++] = (char)c;
        } else {
            out[used++] = '%';
            out[used++] = hex[c >> 4];
            out[used++] = hex[c & 15];
        }
    }
    out[used] = 0;
    return true;
}
