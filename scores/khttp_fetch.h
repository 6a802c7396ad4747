// The engine's HTTP GET: one blocking plain-HTTP request, the reply held
// in a growing buffer. It knows nothing of the game.
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
};

class KHttpFetch {
  public:
    KHttpFetch();
    ~KHttpFetch();
    KHttpFetch(const KHttpFetch&) = delete;
    KHttpFetch& operator=(const KHttpFetch&) = delete;

    // The reply text (NUL-terminated) or null: no connection, a failed
    // request or a status other than 2xx. Valid until the next fetch.
    const char* fetchUrl(const char* url, bool direct);
    // The same without the connection test.
    const char* download(const char* url, bool direct);
    int32_t getLength() const { return length; }

  private:
    void closeAll();
    void append(const char* data, size_t bytes);

    void* internet; // the HTTP client while a request runs, null when none
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
