// The message a game sends, the query that carries it and the table reply:
// the server's side of the game's codes.
#include "server/score_server.h"

const char* const ScorePath = "/scoring/k3/k3score.php";

int MessageCheck(const std::string& text) {
    unsigned long sum = 0;
    for (unsigned char c : text)
        sum += c;
    int c = sum <= 120 ? (int)sum : (int)((sum - 1) % 120 + 1);
    if (c < 40) c += 40;
    return c;
}

bool NameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '*' || c == '+' || c == '-' || c == '/' || c == ',';
}

const char* MessageVerdictText(MessageVerdict verdict) {
    switch (verdict) {
    case MESSAGE_OK:
        return "ok";
    case MESSAGE_BAD_LENGTH:
        return "message length out of bounds";
    case MESSAGE_BAD_CHECK:
        return "check character does not match";
    case MESSAGE_BAD_FORM:
        return "not name@score";
    case MESSAGE_BAD_SCORE:
        return "score out of range";
    case MESSAGE_BAD_NAME:
        return "name outside the game's characters";
    }
    return "?";
}

MessageVerdict DecodeMessage(const std::string& message, std::string* name, long* score) {
    // The shortest the game sends is "n@0" and its check.
    if (message.size() < 4 || message.size() > SERVER_MAX_MESSAGE) return MESSAGE_BAD_LENGTH;
    std::string text(message.rbegin() + 1, message.rend());
    if (MessageCheck(text) != (unsigned char)message.back()) return MESSAGE_BAD_CHECK;
    size_t at = text.rfind('@');
    if (at == std::string::npos) return MESSAGE_BAD_FORM;
    std::string digits = text.substr(at + 1);
    if (!digits.empty() && digits[0] == '-') {
        bool number = digits.size() > 1;
        for (size_t i = 1; i < digits.size(); i++)
            number = number && digits[i] >= '0' && digits[i] <= '9';
        return number ? MESSAGE_BAD_SCORE : MESSAGE_BAD_FORM;
    }
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return MESSAGE_BAD_FORM;
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return MESSAGE_BAD_FORM;
        if (value <= SERVER_MAX_SCORE) value = value * 10 + (c - '0');
    }
    if (value > SERVER_MAX_SCORE) return MESSAGE_BAD_SCORE;
    if (at == 0 || at > (size_t)SERVER_MAX_NAME) return MESSAGE_BAD_NAME;
    for (size_t i = 0; i < at; i++)
        if (!NameChar(text[i])) return MESSAGE_BAD_NAME;
    *name = text.substr(0, at);
    *score = value;
    return MESSAGE_OK;
}

static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static bool PercentDecode(const std::string& text, size_t from, size_t to, std::string* out) {
    out->clear();
    for (size_t i = from; i < to; i++) {
        char c = text[i];
        if (c == '+') {
            out->push_back(' ');
        } else if (c == '%') {
            if (i + 2 >= to) return false;
            int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) return false;
            out->push_back((char)(high * 16 + low));
            i += 2;
        } else {
            out->push_back(c);
        }
    }
    return true;
}

bool ParseTarget(const std::string& target, std::string* path,
                 std::vector<std::pair<std::string, std::string>>* params) {
    params->clear();
    size_t question = target.find('?');
    size_t pathEnd = question == std::string::npos ? target.size() : question;
    if (!PercentDecode(target, 0, pathEnd, path)) return false;
    if (question == std::string::npos) return true;
    size_t at = question + 1;
    while (at < target.size()) {
        size_t end = target.find('&', at);
        if (end == std::string::npos) end = target.size();
        if (end > at) {
            size_t equals = target.find('=', at);
            if (equals == std::string::npos || equals > end) equals = end;
            std::string key, value;
            if (!PercentDecode(target, at, equals, &key)) return false;
            if (equals < end && !PercentDecode(target, equals + 1, end, &value)) return false;
            params->emplace_back(key, value);
        }
        at = end + 1;
    }
    return true;
}

std::string EncodeTable(const std::vector<StoredScore>& top) {
    std::string text = std::to_string(top.size());
    for (const StoredScore& entry : top) {
        text += " ";
        text += entry.name.empty() ? "_" : entry.name;
        text += " ";
        text += std::to_string(entry.score);
    }
    std::string reply;
    reply.reserve(text.size() + 1);
    for (auto c = text.rbegin(); c != text.rend(); ++c) {
        int code = (unsigned char)*c - SERVER_REPLY_FIRST_CODE + SERVER_REPLY_SHIFT;
        reply.push_back((char)(SERVER_REPLY_FIRST_CODE +
                               ((code % SERVER_REPLY_CODE_COUNT) + SERVER_REPLY_CODE_COUNT) %
                                   SERVER_REPLY_CODE_COUNT));
    }
    reply.push_back('.');
    return reply;
}
