// The engine's HTTP GET: one blocking plain-HTTP request over a socket of
// its own, the reply held in a growing buffer. It knows nothing of the game.
#pragma once

#include <cstddef>
#include <cstdint>

enum {
    HTTP_READ_CHUNK = 256,
    HTTP_FIRST_CAPACITY = 16384,
    HTTP_MAX_REPLY = 1 << 20, // a reply is cut here, never grown past it
    HTTP_URL_BUFFER = 520,    // the safe URL, NUL included
    HTTP_CONNECT_TIMEOUT_MS = 2000,
    HTTP_TOTAL_TIMEOUT_MS = 5000,
    HTTP_MAX_HEAD = 16384, // status line and headers together; more fails the request
    HTTP_LINE_KEPT = 256,  // of a longer head or chunk-size line only this much is read
};

// Reads one HTTP/1.x response as it arrives, in pieces of any size, and
// hands the body, de-chunked, to a sink. Only status 200 makes a reply;
// interim 1xx answers are skipped. The body ends at its Content-Length, at
// the last chunk, or (with neither) when the connection closes; past
// HTTP_MAX_REPLY bytes it is cut there and the reply counts as whole.
class HttpReplyReader {
  public:
    typedef void (*BodySink)(void* context, const char* data, size_t bytes);
    HttpReplyReader(BodySink sink, void* context);

    // Takes the next bytes of the connection; returns whether more are
    // wanted (false once the reply is whole or has failed).
    bool feed(const char* data, size_t bytes);
    // The connection closed: true when a whole 200 reply arrived.
    bool finish();
    bool failed() const { return state == FAILED; }
    bool done() const { return state == DONE; }
    int status() const { return statusCode; }

  private:
    enum State { STATUS_LINE, HEADERS, BODY, CHUNK_SIZE, CHUNK_DATA, CHUNK_END, TRAILER, DONE, FAILED };
    bool takeLine(char c);
    void endLine();
    void headerLine();
    void deliver(const char* data, size_t bytes);

    BodySink sink;
    void* context;
    State state;
    int statusCode;
    size_t headBytes;
    bool chunked;
    bool lengthKnown;
    uint64_t remaining; // of the Content-Length or of the current chunk
    uint64_t delivered;
    char line[HTTP_LINE_KEPT];
    size_t lineLength; // bytes of the line so far, those past HTTP_LINE_KEPT dropped
};

class KHttpFetch {
  public:
    KHttpFetch();
    ~KHttpFetch();
    KHttpFetch(const KHttpFetch&) = delete;
    KHttpFetch& operator=(const KHttpFetch&) = delete;

    // The reply text (NUL-terminated) or null: no connection, a failed or
    // cut-off request or a status other than 200. Valid until the next fetch.
    const char* fetchUrl(const char* url, bool direct);
    // The same without the connection test.
    const char* download(const char* url, bool direct);
    int32_t getLength() const { return length; }

  private:
    void closeAll();
    void append(const char* data, size_t bytes);
    static void appendTo(void* fetch, const char* data, size_t bytes);

    int connection; // the socket while a request runs, -1 when none
    char* buffer;
    int32_t length;
    int32_t capacity;
};

// The user agent of every request.
extern const char* const HttpUserAgent;

// Copies url into out with every character a URL cannot carry
// percent-encoded; in the query everything but letters, digits, "-._~",
// "=", "&" and escapes already made ("%3D") is encoded, so "+", "@", "/"
// and "#" arrive as they were. Query values should be escaped by the
// caller: only it knows which "=" is a value's. False when out is too
// small (out then holds "").
bool makeUrlSafe(const char* url, char* out, int outSize);
// Percent-encodes every byte of a query value outside the unreserved set
// (letters, digits, "-._~"). False when out is too small (out holds "").
bool EncodeQueryValue(const char* value, char* out, int outSize);
