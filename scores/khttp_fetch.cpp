#include "scores/khttp_fetch.h"

#include <cstdlib>
#include <cstring>
#include <curl/curl.h>

const char* const HttpUserAgent = "K3D score client/1.0";

KHttpFetch::KHttpFetch()
    : internet(nullptr), request(nullptr), buffer(nullptr), length(0), capacity(0) {}

KHttpFetch::~KHttpFetch() {
    closeAll();
}

void KHttpFetch::closeAll() {
    if (request) curl_slist_free_all((curl_slist*)request);
    request = nullptr;
    if (internet) curl_easy_cleanup((CURL*)internet);
    internet = nullptr;
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

size_t KHttpFetchWrite(char* data, size_t size, size_t count, void* self) {
    KHttpFetch* fetch = (KHttpFetch*)self;
    size_t bytes = size * count;
    size_t taken = 0;
    // Appended in chunks of the read size, growing by doubling, as the
    // reply arrives; past HTTP_MAX_REPLY the rest is dropped.
    while (taken < bytes) {
        size_t chunk = bytes - taken;
        if (chunk > HTTP_READ_CHUNK) chunk = HTTP_READ_CHUNK;
        if (fetch->length + (int32_t)chunk + 1 > HTTP_MAX_REPLY) break;
        std::memcpy(fetch->buffer + fetch->length, data + taken, chunk);
        fetch->length += (int32_t)chunk;
        taken += chunk;
        if (fetch->length + HTTP_READ_CHUNK >= fetch->capacity &&
            fetch->capacity < HTTP_MAX_REPLY) {
            int32_t grown = fetch->capacity * 2;
            char* bigger = (char*)std::calloc((size_t)grown, 1);
            if (!bigger) break;
            std::memcpy(bigger, fetch->buffer, (size_t)fetch->length);
            std::free(fetch->buffer);
            fetch->buffer = bigger;
            fetch->capacity = grown;
        }
    }
    return bytes; // the cut part is swallowed, not an error
}

const char* KHttpFetch::download(const char* url, bool direct) {
    closeAll();
    static bool curlReady = false;
    if (!curlReady) {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
        curlReady = true;
    }
    CURL* curl = curl_easy_init();
    if (!curl) return nullptr;
    internet = curl;

    char safeUrl[HTTP_URL_BUFFER];
    if (!url || !makeUrlSafe(url, safeUrl, sizeof safeUrl)) {
        closeAll();
        return nullptr;
    }

    buffer = (char*)std::calloc(HTTP_FIRST_CAPACITY, 1);
    if (!buffer) {
        closeAll();
        return nullptr;
    }
    capacity = HTTP_FIRST_CAPACITY;

    // The game waits on this request: without both time-outs a server that
    // accepts and never answers would freeze it for good.
    curl_easy_setopt(curl, CURLOPT_URL, safeUrl);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, HttpUserAgent);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, (long)HTTP_CONNECT_TIMEOUT_MS);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, (long)HTTP_TOTAL_TIMEOUT_MS);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    if (direct) curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, KHttpFetchWrite);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);

    CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (result != CURLE_OK || status < 200 || status > 299) {
        closeAll();
        return nullptr;
    }
    buffer[length] = 0;
    curl_easy_cleanup(curl);
    internet = nullptr;
    return buffer;
}

static bool IsUnreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
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
            plain = IsUnreserved(c) || c == '=' || c == '&';
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
