#include "tools/replay/replay_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

bool SameInput(const ReplayFrame& a, const ReplayFrame& b) {
    if (a.frameMs != b.frameMs || a.steerX != b.steerX || a.steerY != b.steerY ||
        a.keyWord != b.keyWord || a.fire != b.fire || a.right != b.right ||
        a.keyCount != b.keyCount)
        return false;
    for (int i = 0; i < a.keyCount; ++i)
        if (a.keys[i] != b.keys[i]) return false;
    return true;
}

static bool ParseInt(const std::string& word, long lo, long hi, long* out) {
    if (word.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

static bool ParseFrame(std::istringstream& in, long* count, ReplayFrame* f) {
    std::string w[7];
    for (auto& s : w)
        if (!(in >> s)) return false;
    long ms, x, y;
    if (!ParseInt(w[0], 1, 1000000, count) || !ParseInt(w[1], 1, 1000, &ms) ||
        !ParseInt(w[2], -100000, 100000, &x) || !ParseInt(w[3], -100000, 100000, &y))
        return false;
    char* end = nullptr;
    const unsigned long word = std::strtoul(w[4].c_str(), &end, 16);
    if (*end != '\0' || word > 0xFFFFFFFFul) return false;
    f->frameMs = (int)ms;
    f->steerX = (int)x;
    f->steerY = (int)y;
    f->keyWord = (uint32_t)word;
    f->fire = w[5].find('L') != std::string::npos;
    f->right = w[5].find('R') != std::string::npos;
    if (w[5] != "-" && w[5] != "L" && w[5] != "R" && w[5] != "LR") return false;
    f->keyCount = 0;
    if (w[6] != "-") {
        std::istringstream keys(w[6]);
        std::string k;
        while (std::getline(keys, k, ',')) {
            long key;
            if (f->keyCount == REPLAY_MAX_KEYS || !ParseInt(k, 0, 99, &key)) return false;
            f->keys[f->keyCount++] = (int)key;
        }
    }
    std::string extra;
    return !(in >> extra);
}

bool ReadReplay(const char* path, Replay* out, std::string* error) {
    std::ifstream file(path);
    if (!file) {
        *error = std::string("cannot open ") + path;
        return false;
    }
    *out = Replay();
    std::string line;
    int number = 0;
    bool sawHeader = false;
    const long frameLimit = 10000000;
    while (std::getline(file, line)) {
        number++;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        std::string key;
        in >> key;
        long v = 0;
        std::string word;
        bool ok = true;
        if (key == "k3d-replay") {
            ok = (in >> word) && word == "1";
            sawHeader = ok;
        } else if (!sawHeader) {
            ok = false;
        } else if (key == "seed") {
            ok = (in >> word) && ParseInt(word, 0, 0x7FFFFFFF, &v);
            out->settings.seed = (unsigned)v;
        } else if (key == "video") {
            ok = (in >> word) && ParseInt(word, 0, 4, &v);
            out->settings.videoMode = (int)v;
        } else if (key == "view-angle") {
            ok = (in >> word) && ParseInt(word, -90, 0, &v) && (v % 25 == 0 || v == -90);
            out->settings.viewAngle = (int)v;
        } else if (key == "divisor") {
            ok = (in >> word) && ParseInt(word, 3, 30, &v) && (v == 3 || v % 10 == 0);
            out->settings.divisor = (int)v;
        } else if (key == "bumper") {
            ok = (in >> word) && ParseInt(word, 0, 1, &v);
            out->settings.bumper = (int)v;
        } else if (key == "episode") {
            ok = (in >> word) && ParseInt(word, 0, 3, &v);
            out->settings.episode = (int)v;
        } else if (key == "f") {
            long count = 0;
            ReplayFrame f;
            ok = ParseFrame(in, &count, &f) && (long)out->frames.size() + count <= frameLimit;
            if (ok) out->frames.insert(out->frames.end(), (size_t)count, f);
        } else if (key == "expect") {
            ReplayDigest d;
            ok = (in >> word) && ParseInt(word, 1, frameLimit, &d.frame);
            std::getline(in, d.text);
            const size_t start = d.text.find_first_not_of(' ');
            d.text = start == std::string::npos ? "" : d.text.substr(start);
            ok = ok && !d.text.empty();
            if (ok) out->expected.push_back(d);
        } else {
            ok = false;
        }
        if (!ok) {
            *error = std::string(path) + ":" + std::to_string(number) + ": cannot read \"" + line +
                     "\"";
            return false;
        }
    }
    if (!sawHeader) {
        *error = std::string(path) + ": not a replay (no \"k3d-replay 1\" line)";
        return false;
    }
    return true;
}

static void WriteRun(FILE* f, long count, const ReplayFrame& r) {
    char buttons[3] = "-";
    if (r.fire || r.right) {
        int n = 0;
        if (r.fire) buttons[n++] = 'L';
        if (r.right) buttons[n++] = 'R';
        buttons[n] = '\0';
    }
    std::string keys = r.keyCount ? "" : "-";
    for (int i = 0; i < r.keyCount; ++i)
        keys += (i ? "," : "") + std::to_string(r.keys[i]);
    std::fprintf(f, "f %ld %d %d %d %x %s %s\n", count, r.frameMs, r.steerX, r.steerY, r.keyWord,
                 buttons, keys.c_str());
}

bool WriteReplay(const char* path, const Replay& replay, const std::string& comment) {
    FILE* f = std::fopen(path, "w");
    if (!f) return false;
    const ReplaySettings& s = replay.settings;
    std::fprintf(f, "k3d-replay 1\n");
    if (!comment.empty()) {
        std::istringstream lines(comment);
        std::string line;
        while (std::getline(lines, line))
            std::fprintf(f, "# %s\n", line.c_str());
    }
    std::fprintf(f, "seed %u\nvideo %d\nview-angle %d\ndivisor %d\nbumper %d\nepisode %d\n", s.seed,
                 s.videoMode, s.viewAngle, s.divisor, s.bumper, s.episode);
    size_t i = 0;
    while (i < replay.frames.size()) {
        size_t j = i + 1;
        while (j < replay.frames.size() && SameInput(replay.frames[j], replay.frames[i]))
            j++;
        WriteRun(f, (long)(j - i), replay.frames[i]);
        i = j;
    }
    for (const ReplayDigest& d : replay.expected)
        std::fprintf(f, "expect %ld %s\n", d.frame, d.text.c_str());
    return std::fclose(f) == 0;
}
