#include "scores/scores_local.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef K3D_SCORE_SERVER
#define K3D_SCORE_SERVER "127.0.0.1:8642"
#endif

enum { MAX_SERVER_NAME = 128 };

static char ScoreServerName[MAX_SERVER_NAME] = K3D_SCORE_SERVER;
static const char* const ScorePath = "/scoring/k3/k3score.php";

const char* ScoreServer() {
    return ScoreServerName;
}

void SetScoreServer(const char* hostPort) {
    std::snprintf(ScoreServerName, sizeof ScoreServerName, "%s",
                  hostPort ? hostPort : K3D_SCORE_SERVER);
}

static int Modulo(int value, int divisor) {
    int r = value % divisor;
    return r < 0 ? r + divisor : r;
}

char EncodeReplyChar(char c) {
    return (char)(REPLY_FIRST_CODE +
                  Modulo((unsigned char)c - REPLY_FIRST_CODE + REPLY_SHIFT, REPLY_CODE_COUNT));
}

char DecodeReplyChar(char c) {
    return (char)(REPLY_FIRST_CODE +
                  Modulo((unsigned char)c - REPLY_FIRST_CODE - REPLY_SHIFT, REPLY_CODE_COUNT));
}

// Reads " %s %d" as the table reply writes it: blanks, a word (cut to the
// name field), blanks, a decimal number. Returns false when either is
// missing.
static bool ReadReplyEntry(const char* text, int at, char* word, int wordSize, long long* number) {
    while (text[at] == ' ')
        at++;
    int n = 0;
    int start = at;
    while (text[at] && text[at] != ' ') {
        if (n < wordSize - 1) word[n++] = text[at];
        at++;
    }
    word[n] = 0;
    if (at == start) return false;
    while (text[at] == ' ')
        at++;
    const char* digits = text + at;
    bool negative = false;
    if (*digits == '-' || *digits == '+') negative = *digits++ == '-';
    if (*digits < '0' || *digits > '9') return false;
    long long value = 0;
    while (*digits >= '0' && *digits <= '9') {
        if (value < 10000000000LL) value = value * 10 + (*digits - '0');
        digits++;
    }
    *number = negative ? -value : value;
    return true;
}

void ParseOnlineScores(const char* reply) {
    char decoded[SCORE_REPLY_BUFFER];
    std::memset(decoded, 0, sizeof decoded);
    int n = (int)strnlen(reply, HTTP_MAX_REPLY);
    // The last character is a pad the server adds; the rest is the text
    // reversed. Longer than the buffer: the start of the text is kept.
    int kept = n - 1;
    if (kept > SCORE_REPLY_BUFFER - 1) kept = SCORE_REPLY_BUFFER - 1;
    for (int i = 0; i < kept; i++)
        decoded[i] = DecodeReplyChar(reply[n - 2 - i]);

    int count = std::atoi(decoded);
    // The reader starts after the count as "%d" prints it.
    char printed[16];
    int at = std::snprintf(printed, sizeof printed, "%d", count);
    if (at > (int)std::strlen(decoded)) at = (int)std::strlen(decoded);

    bool readable = true;
    for (int i = 0; i < SCORE_TABLE_SIZE; i++) {
        ScoreEntry& entry = ScoreTable[i];
        if (i >= count || !readable) {
            std::snprintf(entry.name, sizeof entry.name, "%s", "empty");
            entry.score = 0;
            continue;
        }
        char word[SCORE_REPLY_BUFFER];
        long long value = 0;
        if (!ReadReplyEntry(decoded, at, word, sizeof word, &value)) {
            readable = false;
            std::snprintf(entry.name, sizeof entry.name, "%s", "empty");
            entry.score = 0;
            continue;
        }
        // Taken as unsigned, so a negative number is out of range too.
        if (value >= 0 && value <= MAX_ONLINE_SCORE) entry.score = (int32_t)value;
        // The reader advances by re-printing what it read, so the server
        // must write one blank between items and plain decimal numbers.
        int advance = std::snprintf(nullptr, 0, " %s %d", word, (int)entry.score);
        at += advance;
        if (at > (int)std::strlen(decoded)) at = (int)std::strlen(decoded);
        std::snprintf(entry.name, MAX_ONLINE_NAME + 1, "%.*s", (int)MAX_ONLINE_NAME, word);
    }
}

bool FetchOnlineScores() {
    char url[HTTP_URL_BUFFER];
    std::snprintf(url, sizeof url, "http://%s%s", ScoreServerName, ScorePath);
    {
        KHttpFetch fetch;
        const char* text = fetch.fetchUrl(url, true);
        if (!text) {
            LoadScoreFile();
            return false;
        }
        ParseOnlineScores(text);
    }
    SaveScoreFile();
    return true;
}

int ScoreMessageCheck(const char* text) {
    uint32_t sum = 0;
    for (const unsigned char* p = (const unsigned char*)text; *p; p++)
        sum += *p;
    int c = sum <= 120 ? (int)sum : (int)((sum - 1) % 120 + 1);
    if (c < 40) c += 40;
    return c;
}

void BuildScoreMessage(const char* name, int32_t points, char out[SCORE_MESSAGE_BUFFER]) {
    char text[SCORE_MESSAGE_BUFFER];
    std::memset(text, 0, sizeof text);
    std::snprintf(text, sizeof text - 2, "%s@%d", name, (int)points);
    int n = (int)std::strlen(text);
    std::memset(out, 0, SCORE_MESSAGE_BUFFER);
    for (int i = 0; i < n; i++)
        out[i] = text[n - 1 - i];
    out[n] = (char)ScoreMessageCheck(text);
}

bool BuildScoreUrl(const char* name, int32_t points, char* out) {
    char message[SCORE_MESSAGE_BUFFER];
    BuildScoreMessage(name, points, message);
    // The check character may be '=', '?' or '@': a server splitting the
    // query would cut the message, so every byte outside the unreserved
    // set travels escaped.
    char encoded[SCORE_MESSAGE_BUFFER * 3];
    if (!EncodeQueryValue(message, encoded, sizeof encoded)) return false;
    int n = std::snprintf(out, HTTP_URL_BUFFER, "http://%s%s?msg=%s", ScoreServerName, ScorePath,
                          encoded);
    return n > 0 && n < HTTP_URL_BUFFER;
}

bool SendScoreOnline(const char* name, int32_t points) {
    char url[HTTP_URL_BUFFER];
    if (!BuildScoreUrl(name, points, url)) url[0] = 0;
    logf(MainLog, "Sending online score: %s\n", url);
    bool sent;
    {
        KHttpFetch fetch;
        sent = fetch.fetchUrl(url, true) != nullptr;
    }
    SaveScoreFile();
    return sent;
}
