#include "scores/khttp_fetch.h"

#include <strings.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

const char* const HttpUserAgent = "K3D score client/1.0";

// ---------------------------------------------------------------------------
// The reply reader
// ---------------------------------------------------------------------------

HttpReplyReader::HttpReplyReader(BodySink sink, void* context)
    : sink(sink), context(context), state(STATUS_LINE), statusCode(0), headBytes(0),
      chunked(false), lengthKnown(false), remaining(0), delivered(0), line{0}, lineLength(0) {}

static bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

static bool SameWord(const char* a, size_t length, const char* word) {
    return std::strlen(word) == length && strncasecmp(a, word, length) == 0;
}

bool HttpReplyReader::feed(const char* data, size_t bytes) {
    size_t at = 0;
    while (at < bytes && state != DONE && state != FAILED) {
        if (state == BODY || state == CHUNK_DATA) {
            const bool counted = state == CHUNK_DATA || lengthKnown;
            size_t take = bytes - at;
            if (counted && take > remaining) take = (size_t)remaining;
            if (counted) {
                remaining -= take;
                if (remaining == 0) state = state == CHUNK_DATA ? CHUNK_END : DONE;
            }
            deliver(data + at, take);
            at += take;
            continue;
        }
        if ((state == STATUS_LINE || state == HEADERS) && ++headBytes > HTTP_MAX_HEAD) {
            state = FAILED;
            break;
        }
        if (takeLine(data[at++])) endLine();
    }
    return state != DONE && state != FAILED;
}

bool HttpReplyReader::finish() {
    // Without a length or chunks, the close is what ends the body.
    if (state == BODY && !lengthKnown) state = DONE;
    if (state != DONE) state = FAILED;
    return state == DONE;
}

void HttpReplyReader::deliver(const char* data, size_t bytes) {
    const uint64_t room = HTTP_MAX_REPLY - delivered;
    if (bytes >= room) {
        bytes = (size_t)room;
        state = DONE; // cut: the rest is never read
    }
    if (bytes > 0) sink(context, data, bytes);
    delivered += bytes;
}

// True at the end of a line; the line's start is kept in `line`.
bool HttpReplyReader::takeLine(char c) {
    if (c == '\n') return true;
    if (lineLength < HTTP_LINE_KEPT - 1) line[lineLength] = c;
    lineLength++;
    return false;
}

void HttpReplyReader::endLine() {
    const bool cut = lineLength > HTTP_LINE_KEPT - 1;
    size_t kept = cut ? HTTP_LINE_KEPT - 1 : lineLength;
    if (!cut && kept > 0 && line[kept - 1] == '\r') kept--;
    line[kept] = 0;
    lineLength = 0;
    switch (state) {
    case STATUS_LINE: {
        // "HTTP/1.x 200 reason"; a cut line has lost only its reason.
        const char* p = line;
        if (std::strncmp(p, "HTTP/1.", 7) != 0 || p[7] < '0' || p[7] > '9' || p[8] != ' ' ||
            p[9] < '1' || p[9] > '9' || p[10] < '0' || p[10] > '9' || p[11] < '0' ||
            p[11] > '9' || (p[12] != ' ' && p[12] != 0)) {
            state = FAILED;
            return;
        }
        statusCode = (p[9] - '0') * 100 + (p[10] - '0') * 10 + (p[11] - '0');
        // An interim answer is followed by the real one; nothing else counts.
        state = statusCode == 200 || (statusCode >= 100 && statusCode <= 199 && statusCode != 101)
                    ? HEADERS
                    : FAILED;
        return;
    }
    case HEADERS:
        if (kept > 0) {
            if (cut && (strncasecmp(line, "content-length", 14) == 0 ||
                        strncasecmp(line, "transfer-encoding", 17) == 0)) {
                state = FAILED; // too long to be read whole, too important to guess
                return;
            }
            headerLine();
            return;
        }
        if (statusCode != 200) { // the end of an interim answer
            state = STATUS_LINE;
            chunked = false;
            lengthKnown = false;
            remaining = 0;
            return;
        }
        if (chunked) {
            state = CHUNK_SIZE;
        } else {
            state = lengthKnown && remaining == 0 ? DONE : BODY;
        }
        return;
    case CHUNK_SIZE: {
        // Hex digits, then optional blanks and ";extensions".
        uint64_t size = 0;
        size_t digits = 0;
        const char* p = line;
        for (; std::isxdigit((unsigned char)*p); p++, digits++) {
            if (digits == 15) { // past any body we would take
                state = FAILED;
                return;
            }
            const int c = (unsigned char)*p;
            size = size * 16 + (uint64_t)(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        }
        while (IsSpace(*p))
            p++;
        if (digits == 0 || (*p != 0 && *p != ';')) {
            state = FAILED;
            return;
        }
        remaining = size;
        state = size == 0 ? TRAILER : CHUNK_DATA;
        return;
    }
    case CHUNK_END:
        state = kept == 0 && !cut ? CHUNK_SIZE : FAILED;
        return;
    case TRAILER:
        if (kept == 0) state = DONE;
        return;
    default:
        return;
    }
}

void HttpReplyReader::headerLine() {
    if (IsSpace(line[0])) return; // an old folded continuation: nothing we read
    const char* colon = std::strchr(line, ':');
    if (colon == nullptr || colon == line || IsSpace(colon[-1])) {
        state = FAILED;
        return;
    }
    const size_t nameLength = (size_t)(colon - line);
    const char* value = colon + 1;
    while (IsSpace(*value))
        value++;
    size_t valueLength = std::strlen(value);
    while (valueLength > 0 && IsSpace(value[valueLength - 1]))
        valueLength--;
    if (SameWord(line, nameLength, "Content-Length")) {
        uint64_t number = 0;
        if (valueLength == 0 || valueLength > 18) {
            state = FAILED;
            return;
        }
        for (size_t i = 0; i < valueLength; i++) {
            if (value[i] < '0' || value[i] > '9') {
                state = FAILED;
                return;
            }
            number = number * 10 + (uint64_t)(value[i] - '0');
        }
        if (lengthKnown && number != remaining) { // two lengths: which body is it?
            state = FAILED;
            return;
        }
        lengthKnown = true;
        remaining = number;
    } else if (SameWord(line, nameLength, "Transfer-Encoding")) {
        // Only plain chunks can be read; a compressed body cannot.
        if (!SameWord(value, valueLength, "chunked")) {
            state = FAILED;
            return;
        }
        chunked = true;
    }
}

// ---------------------------------------------------------------------------
// The request
// ---------------------------------------------------------------------------

KHttpFetch::KHttpFetch() : connection(-1), buffer(nullptr), length(0), capacity(0) {}

KHttpFetch::~KHttpFetch() {
    closeAll();
}

void KHttpFetch::closeAll() {
    if (connection >= 0) close(connection);
    connection = -1;
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

void KHttpFetch::appendTo(void* fetch, const char* data, size_t bytes) {
    static_cast<KHttpFetch*>(fetch)->append(data, bytes);
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

static int64_t MonotonicMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// Waits until the socket is ready for `events` (or has failed, which the
// next call on it reports); false when the deadline passes first.
static bool WaitForSocket(int socket, short events, int64_t deadline) {
    for (;;) {
        const int64_t left = deadline - MonotonicMs();
        if (left <= 0) return false;
        pollfd watch = {socket, events, 0};
        const int ready = poll(&watch, 1, (int)left);
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

// A connected non-blocking socket to host:port, or -1. The name lookup
// itself cannot be bounded; the score server is named by its address.
static int ConnectBefore(const std::string& host, int port, int64_t deadline) {
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    char service[8];
    std::snprintf(service, sizeof service, "%d", port);
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), service, &hints, &found) != 0) return -1;
    int connected = -1;
    for (addrinfo* a = found; a != nullptr && connected < 0; a = a->ai_next) {
        const int s = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                             a->ai_protocol);
        if (s < 0) continue;
        int error = 0;
        if (connect(s, a->ai_addr, a->ai_addrlen) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                error = ETIMEDOUT;
                socklen_t size = sizeof error;
                if (WaitForSocket(s, POLLOUT, deadline) &&
                    getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
                    error = errno;
                }
            }
        }
        if (error == 0) {
            connected = s;
        } else {
            close(s);
        }
    }
    freeaddrinfo(found);
    return connected;
}

const char* KHttpFetch::download(const char* url, bool direct) {
    (void)direct; // the client never goes through a proxy
    closeAll();
    char safeUrl[HTTP_URL_BUFFER];
    if (!url || !makeUrlSafe(url, safeUrl, sizeof safeUrl)) return nullptr;
    std::string host, target;
    int port = 0;
    if (!SplitHttpUrl(safeUrl, &host, &port, &target)) return nullptr;

    // The connect has its own time-out inside the total: a server that
    // accepts and never answers is cut by the total alone.
    const int64_t start = MonotonicMs();
    const int64_t deadline = start + HTTP_TOTAL_TIMEOUT_MS;
    connection = ConnectBefore(host, port, start + HTTP_CONNECT_TIMEOUT_MS);
    if (connection < 0) return nullptr;
    const int on = 1;
    setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    char request[HTTP_URL_BUFFER + 256];
    char portText[8] = "";
    if (port != 80) std::snprintf(portText, sizeof portText, ":%d", port);
    const bool literal6 = host.find(':') != std::string::npos;
    const int requestLength =
        std::snprintf(request, sizeof request,
                      "GET %s HTTP/1.1\r\nHost: %s%s%s%s\r\nUser-Agent: %s\r\n"
                      "Connection: close\r\n\r\n",
                      target.c_str(), literal6 ? "[" : "", host.c_str(), literal6 ? "]" : "",
                      portText, HttpUserAgent);
    if (requestLength < 0 || requestLength >= (int)sizeof request) {
        closeAll();
        return nullptr;
    }
    for (int sent = 0; sent < requestLength;) {
        const ssize_t n = send(connection, request + sent, (size_t)(requestLength - sent),
                               MSG_NOSIGNAL);
        if (n > 0) {
            sent += (int)n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
                   WaitForSocket(connection, POLLOUT, deadline)) {
            continue;
        } else {
            closeAll();
            return nullptr;
        }
    }

    buffer = (char*)std::calloc(HTTP_FIRST_CAPACITY, 1);
    if (!buffer) {
        closeAll();
        return nullptr;
    }
    capacity = HTTP_FIRST_CAPACITY;
    HttpReplyReader reader(appendTo, this);
    bool whole = false;
    char piece[4096];
    for (;;) {
        const ssize_t n = recv(connection, piece, sizeof piece, 0);
        if (n > 0) {
            if (!reader.feed(piece, (size_t)n)) {
                whole = reader.done();
                break;
            }
        } else if (n == 0) {
            whole = reader.finish();
            break;
        } else if (errno == EINTR) {
            continue;
        } else if ((errno != EAGAIN && errno != EWOULDBLOCK) ||
                   !WaitForSocket(connection, POLLIN, deadline)) {
            break; // a reset, or the total time-out
        }
    }
    close(connection);
    connection = -1;
    if (!whole) {
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

// Copies text into out with every byte keep(p) turns down percent-encoded.
// False when out is too small (out then holds "").
template <typename Keep>
static bool PercentEncode(const char* text, char* out, int outSize, Keep keep) {
    static const char hex[] = "0123456789ABCDEF";
    if (outSize <= 0) return false;
    int used = 0;
    for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
        const unsigned char c = *p;
        const bool plain = keep(p);
        const int need = plain ? 1 : 3;
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

bool makeUrlSafe(const char* url, char* out, int outSize) {
    bool inQuery = false;
    return PercentEncode(url, out, outSize, [&inQuery](const unsigned char* p) {
        // The caller escaped its values: an escape stays as it is.
        if (inQuery)
            return IsUnreserved(*p) || *p == '=' || *p == '&' ||
                   (*p == '%' && IsHexDigit(p[1]) && IsHexDigit(p[2]));
        if (*p == '?') inQuery = true;
        return IsPathChar(*p);
    });
}

bool EncodeQueryValue(const char* value, char* out, int outSize) {
    return PercentEncode(value, out, outSize, [](const unsigned char* p) { return IsUnreserved(*p); });
}
