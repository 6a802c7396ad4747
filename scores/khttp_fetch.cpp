#include "scores/khttp_fetch.h"

const char* const HttpUserAgent = "K3D score client/1.0";

KHttpFetch::KHttpFetch()
    : internet(nullptr), request(nullptr), buffer(nullptr), length(0), capacity(0) {}
KHttpFetch::~KHttpFetch() {
    closeAll();
}
void KHttpFetch::closeAll() {}
const char* KHttpFetch::fetchUrl(const char* url, bool direct) {
    return download(url, direct);
}
const char* KHttpFetch::download(const char*, bool) {
    return nullptr;
}
size_t KHttpFetchWrite(char*, size_t size, size_t count, void*) {
    return size * count;
}
bool makeUrlSafe(const char*, char* out, int outSize) {
    if (outSize > 0) out[0] = 0;
    return false;
}
