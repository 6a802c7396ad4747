// A replay: the seed and settings a game started with, one record per frame
// of what the frame loop handed the game (frame time, steering pair, key
// word, buttons and the keys the name entry polls), and the digests of the
// game expected at chosen frames.
//
// The file is text, one item per line; '#' starts a comment line:
//   k3d-replay 1
//   seed 1234
//   video 1            (video mode 0..4)
//   view-angle 0       (0, -25, -50, -75, -90)
//   divisor 3          (capsule divisor: 10, 20, 30, 3 = Delirium!)
//   bumper 0
//   episode 0          (0 Arcade .. 3 Street)
//   f COUNT MS X Y WORD BUTTONS KEYS
//       COUNT frames alike: FrameMs, steering pair, key word (hex), buttons
//       ("-", "L" fire, "R" right, "LR"), engine keys down ("-" or "7,25")
//   expect FRAME DIGEST   (the digest after that frame, 1-based)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum { REPLAY_MAX_KEYS = 8 };

struct ReplaySettings {
    unsigned seed = 1;
    int videoMode = 1;
    int viewAngle = 0;
    int divisor = 20;
    int bumper = 0;
    int episode = 0;
};

struct ReplayFrame {
    int frameMs = 16;
    int steerX = 0, steerY = 0;
    uint32_t keyWord = 0;
    bool fire = false, right = false;
    int keyCount = 0;
    int keys[REPLAY_MAX_KEYS] = {};
};

struct ReplayDigest {
    long frame = 0;
    std::string text;
};

struct Replay {
    ReplaySettings settings;
    std::vector<ReplayFrame> frames;
    std::vector<ReplayDigest> expected;
};

// False with a message naming the line on any malformed line.
bool ReadReplay(const char* path, Replay* out, std::string* error);
bool WriteReplay(const char* path, const Replay& replay, const std::string& comment);
bool SameInput(const ReplayFrame& a, const ReplayFrame& b);
