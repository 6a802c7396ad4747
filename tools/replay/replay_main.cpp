// k3d-replay: plays a recorded game through the game's own frame dispatcher
// and compares digests of the game at chosen frames; records new replays
// from a player at the keyboard and mouse, or from a simple scripted player.
//
//   k3d-replay play FILE [--data DIR] [--print]
//   k3d-replay record FILE [settings] [--every N]
//   k3d-replay autoplay FILE [settings] [--every N] [--max-frames N]
//                      [--frame-ms N] [--miss-after N] [--hold-fire]
//                      [--hold-return] [--name NAME] [--until-stage N]
//   --show-log copies the game's log to stderr at the end; --note TEXT is
//   written into the file as a comment
//   settings: --seed N --video M --view-angle A --divisor D --bumper 0|1
//             --episode E --data DIR
//
// Every mode runs the game on the offline clock (advanced by each frame's
// FrameMs) with the sound off, so a replay repeats the recorded game exactly.
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "audio/sound_bank.h"
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "scores/scores.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"
#include "tools/replay/replay_digest.h"
#include "tools/replay/replay_file.h"

namespace {

const char* const Usage =
    "usage: k3d-replay play FILE [--data DIR] [--print]\n"
    "       k3d-replay record FILE [settings] [--every N]\n"
    "       k3d-replay autoplay FILE [settings] [--every N] [--max-frames N] [--frame-ms N]\n"
    "                  [--miss-after N] [--hold-fire] [--hold-return] [--name NAME]\n"
    "                  [--until-stage N] [--show-log] [--note TEXT]\n"
    "settings: --seed N --video M --view-angle A --divisor D --bumper 0|1 --episode E\n"
    "          --data DIR (the game directory with the data; default: the tool's parent)\n";

// ---------------------------------------------------------------------------
// A game directory of the replay's own: the data linked in, while what the
// game writes (log, scores) stays in the directory and goes with it.
// ---------------------------------------------------------------------------
std::string GameDir;

bool LinkData(const std::string& given) {
    // The links live in /tmp: a relative data path would point nowhere.
    char* full = realpath(given.c_str(), nullptr);
    if (!full) return false;
    const std::string data = full;
    free(full);
    char pattern[] = "/tmp/k3d-replay-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    GameDir = pattern;
    const char* const shared[] = {"Mesh", "Texture", "Sample", "Music"};
    for (const char* name : shared)
        if (symlink((data + "/" + name).c_str(), (GameDir + "/" + name).c_str()) != 0) return false;
    if (mkdir((GameDir + "/Orvi").c_str(), 0755) != 0) return false;
    // The episode file and the episode texture folders, not the settings
    // or the score block: those belong to whoever plays in the data folder.
    const char* const orvi[] = {"episode.pak", "Arcade", "Jungle", "Ocean", "Street"};
    for (const char* name : orvi)
        if (symlink((data + "/Orvi/" + name).c_str(), (GameDir + "/Orvi/" + name).c_str()) != 0)
            return false;
    return true;
}

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

void RemoveGameDir() {
    // FTW_PHYS: the links are removed, never what they point to.
    if (!GameDir.empty()) nftw(GameDir.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
    GameDir.clear();
}

std::string DefaultDataDir(const char* argv0) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path = n > 0 ? std::string(self, (size_t)n) : std::string(argv0);
    path = path.substr(0, path.find_last_of('/')); // tools/
    return path.substr(0, path.find_last_of('/')); // the build directory
}

// The frame time of a recording is measured on the wall clock, as the game
// measures it; the game itself runs on the offline clock.
double WallMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// ---------------------------------------------------------------------------
// The session: the window, the data, and the game started as the episode
// menu starts it.
// ---------------------------------------------------------------------------
KWindow* Window = nullptr;
GameLog* Log = nullptr;

bool OpenSession(const ReplaySettings& s, const std::string& data, bool withSound) {
    if (!LinkData(data)) {
        std::fprintf(stderr, "k3d-replay: cannot set up a game directory from %s\n", data.c_str());
        return false;
    }
    SetExeDirectory(GameDir.c_str());
    Log = new GameLog((GameDir + "/log.txt").c_str());
    MainLog = Log;
    // Nothing is sent anywhere: a port where nobody listens refuses at once.
    SetScoreServer("127.0.0.1:1");

    VideoModeIndex = s.videoMode;
    FullScreen = false;
    ViewAngle = s.viewAngle;
    BonusChanceDivisor = s.divisor;
    UseBumper = (int16_t)s.bumper;
    Window = createWindowObject(true, false);
    if (!Window || !Window->createWindow(ScreenWidth(), ScreenHeight(), 32, true, "K3D replay")) {
        std::fprintf(stderr, "k3d-replay: cannot open a window (is DISPLAY set?)\n");
        return false;
    }
    GameWindow = Window;
    SetProjection(ScreenWidth(), ScreenHeight());
    InitCameras();
    ApplyCamera();
    LoadMeshTable();
    BuildSineTable();
    LoadEpisodeFile("Orvi\\episode.pak");
    InitGameInput();

    SoundEnabled = withSound;
    LoadSoundBank();
    UseOfflineClock(0.0);
    srand(s.seed);
    TuneCounter = 0;
    // As the episode menu does it: pick, shuffle, start when let go.
    episode = s.episode;
    currentStage = 1;
    ShuffleStageOrder();
    StartEpisode();
    return true;
}

void CloseSession(bool showLog) {
    StopMusic();
    if (showLog) {
        // What the game logged (capsules caught, scores sent), for whoever
        // is choosing a recording.
        FILE* f = std::fopen((GameDir + "/log.txt").c_str(), "r");
        char line[512];
        while (f && std::fgets(line, sizeof line, f))
            std::fputs(line, stderr);
        if (f) std::fclose(f);
    }
    GameWindow = nullptr;
    delete Window;
    Window = nullptr;
    MainLog = nullptr;
    delete Log;
    Log = nullptr;
    RemoveGameDir();
}

// One frame as the frame loop runs it, with the input of `f`.
void RunFrame(const ReplayFrame& f, bool flip) {
    FrameMs = f.frameMs;
    AdvanceOfflineClock(FrameMs);
    SteerX = f.steerX;
    SteerY = f.steerY;
    KeyWord = f.keyWord;
    FireHeld = f.fire;
    RightHeld = f.right;
    clearInputLatches();
    for (int i = 0; i < f.keyCount; ++i)
        latchKey(f.keys[i]);
    GameWindow->resetView();
    SetProjection(ScreenWidth(), ScreenHeight());
    ApplyCamera();
    RunGameFrame();
    if (flip && GameWindow) GameWindow->flipBackBuffer(false, true);
}

// The input of the frame about to run, as the frame loop reads it.
ReplayFrame ReadDevices() {
    UpdateSteering();
    ReplayFrame f;
    f.keyWord = ReadKeyWord();
    UpdateFrameTiming(WallMs());
    f.frameMs = FrameMs;
    f.steerX = SteerX;
    f.steerY = SteerY;
    f.fire = FireHeld;
    f.right = RightHeld;
    // Only the name entry reads single keys.
    for (int key = 0; key < TEXT_KEY_COUNT && f.keyCount < REPLAY_MAX_KEYS; ++key)
        if (isKeyDown(key)) f.keys[f.keyCount++] = key;
    return f;
}

// ---------------------------------------------------------------------------
// The scripted player of `autoplay`: keeps the ship under the lowest falling
// ball, fetches capsules when it has time, types a name at the end.
// ---------------------------------------------------------------------------
struct Script {
    int frameMs = 16;
    long missAfter = -1; // from this frame on, the ship stays away from the ball
    bool holdFire = false;
    bool holdReturn = false; // fire with Return, held into the name entry
    std::string name = "replay";
    long nameFrames = 0;
};

int EngineKeyOf(char c) {
    if (c >= 'a' && c <= 'z') return K_A + (c - 'a');
    if (c >= '0' && c <= '9') return K_0 + (c - '0');
    return K_SPACE;
}

float ShipHalfWidth() {
    const int ship = ShipSlot();
    if (ship == ENTITY_NONE) return 0.2f;
    const Entity& e = EntityTable[ship];
    return (e.boxMax[0] - e.boxMin[0]) * 0.5f * e.scale[0];
}

ReplayFrame ScriptedInput(Script& s, long frame) {
    ReplayFrame f;
    f.frameMs = s.frameMs;
    f.steerX = SteerX;
    f.steerY = SteerY;
    if (GameState == GS_NAME_ENTRY) {
        // Keep Return down a little longer, then one key per two frames.
        const long t = s.nameFrames++;
        const long typed = s.holdReturn ? t - 10 : t;
        if (typed < 0) {
            f.keys[f.keyCount++] = K_RETURN;
            f.keyWord = KW_RETURN;
            f.fire = true;
        } else if (typed % 2 == 0 && typed / 2 < (long)s.name.size()) {
            f.keys[f.keyCount++] = EngineKeyOf(s.name[(size_t)(typed / 2)]);
        } else if (typed / 2 == (long)s.name.size() + 1) {
            f.keys[f.keyCount++] = K_RETURN;
            f.keyWord = KW_RETURN;
            f.fire = true;
        }
        return f;
    }
    if (GameState != GS_PLAYING) return f;

    // The ball to meet: the lowest one coming down.
    int target = ENTITY_NONE;
    for (int n = 1;; ++n) {
        const int b = FindEntity(MESH_BALL, n);
        if (b == ENTITY_NONE) break;
        const Entity& e = EntityTable[b];
        if (target == ENTITY_NONE || (e.velocity[1] < 0 && (EntityTable[target].velocity[1] >= 0 ||
                                                           e.position[1] < EntityTable[target].position[1])))
            target = b;
    }
    float x = 0.0f;
    if (target != ENTITY_NONE) {
        const Entity& ball = EntityTable[target];
        // Meet it off centre, towards the nearest standing brick's side.
        const int brick = FindEntity(TYPE_BRICK, 1);
        const float side = brick != ENTITY_NONE && EntityTable[brick].position[0] < ball.position[0] ? -1.0f : 1.0f;
        x = ball.position[0] - side * 0.4f * ShipHalfWidth();
        // Time to spare: fetch a capsule about to reach the ship.
        if (ball.velocity[1] > 0 || ball.position[1] > 0.0f) {
            for (int n = 1;; ++n) {
                const int c = FindEntity(TYPE_CAPSULE, n);
                if (c == ENTITY_NONE) break;
                const Entity& cap = EntityTable[c];
                if (cap.life > 0.99f && cap.position[1] < -1.2f && cap.position[1] > -2.5f) {
                    x = cap.position[0];
                    break;
                }
            }
        }
        if (s.missAfter >= 0 && frame >= s.missAfter) x = ball.position[0] > 0 ? -2.5f : 2.5f;
    }
    const int limit = (int)(ScreenWidth() / 1.98f);
    int steer = (int)(x * ScreenWidth() / 5.0f);
    steer = steer < -limit ? -limit : (steer > limit ? limit : steer);
    f.steerX = steer;
    const bool fire = s.holdFire || s.holdReturn || (!ballLaunched && frame % 2 == 0);
    if (fire) {
        f.fire = true;
        if (s.holdReturn) {
            f.keyWord |= KW_RETURN;
            f.keys[f.keyCount++] = K_RETURN;
        }
    }
    return f;
}

// ---------------------------------------------------------------------------
// The modes
// ---------------------------------------------------------------------------

struct Options {
    std::string file, data;
    std::string args; // the options as given, to make the file again
    std::string note; // what the replay is for, a comment in the file
    ReplaySettings settings;
    bool print = false, showLog = false;
    long every = 500, maxFrames = 60000;
    int untilStage = 0; // stop 100 frames into this stage
    Script script;
};

bool ParseOptions(int argc, char** argv, Options* o) {
    if (argc < 3) return false;
    o->file = argv[2];
    o->data = DefaultDataDir(argv[0]);
    o->settings.seed = (unsigned)std::time(nullptr) & 0x7FFFFFFF;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        // The options that shape the game, kept in the file to make it again.
        const std::string before = i > 3 ? argv[i - 1] : "";
        const bool aside = a == "--data" || a == "--note" || a == "--show-log" ||
                           before == "--data" || before == "--note";
        if (!aside) o->args += (o->args.empty() ? "" : " ") + a;
        const bool hasValue = i + 1 < argc;
        const char* v = hasValue ? argv[i + 1] : "";
        if (a == "--print") o->print = true;
        else if (a == "--show-log") o->showLog = true;
        else if (a == "--hold-fire") o->script.holdFire = true;
        else if (a == "--hold-return") o->script.holdReturn = true;
        else if (!hasValue) return false;
        else {
            ++i;
            if (!aside) o->args += std::string(" ") + v;
            if (a == "--data") o->data = v;
            else if (a == "--seed") o->settings.seed = (unsigned)std::strtoul(v, nullptr, 10);
            else if (a == "--video") o->settings.videoMode = std::atoi(v) % VIDEO_MODE_COUNT;
            else if (a == "--view-angle") o->settings.viewAngle = std::atoi(v);
            else if (a == "--divisor") o->settings.divisor = std::atoi(v);
            else if (a == "--bumper") o->settings.bumper = std::atoi(v) != 0;
            else if (a == "--episode") o->settings.episode = std::atoi(v) & 3;
            else if (a == "--every") o->every = std::atol(v);
            else if (a == "--max-frames") o->maxFrames = std::atol(v);
            else if (a == "--frame-ms") o->script.frameMs = std::atoi(v);
            else if (a == "--miss-after") o->script.missAfter = std::atol(v);
            else if (a == "--name") o->script.name = v;
            else if (a == "--note") o->note = v;
            else if (a == "--until-stage") o->untilStage = std::atoi(v);
            else return false;
        }
    }
    if (o->settings.divisor <= 0 || o->every <= 0) return false;
    if (o->script.frameMs < MIN_FRAME_MS || o->script.frameMs > MAX_FRAME_MS) return false;
    return true;
}

int Play(const Options& o) {
    Replay replay;
    std::string error;
    if (!ReadReplay(o.file.c_str(), &replay, &error)) {
        std::fprintf(stderr, "k3d-replay: %s\n", error.c_str());
        return 2;
    }
    if (!OpenSession(replay.settings, o.data, false)) return 2;
    int mismatches = 0;
    size_t next = 0;
    for (size_t i = 0; i < replay.frames.size(); ++i) {
        // No flip: the events it pumps could only bring the real keyboard in.
        RunFrame(replay.frames[i], false);
        const long frame = (long)i + 1;
        while (next < replay.expected.size() && replay.expected[next].frame == frame) {
            const std::string got = GameDigest();
            const bool same = got == replay.expected[next].text;
            if (!same) mismatches++;
            if (o.print || !same)
                std::printf("frame %ld: %s%s\n", frame, got.c_str(), same ? "" : "  MISMATCH");
            if (!same) std::printf("  expected:  %s\n", replay.expected[next].text.c_str());
            next++;
        }
    }
    for (; next < replay.expected.size(); ++next, ++mismatches)
        std::printf("frame %ld: not reached, the replay has %zu frames\n",
                    replay.expected[next].frame, replay.frames.size());
    CloseSession(o.showLog);
    std::printf("%s: %zu frames, %zu digests, %d mismatched\n", o.file.c_str(),
                replay.frames.size(), replay.expected.size(), mismatches);
    return mismatches == 0 ? 0 : 1;
}

// record and autoplay: run until the game is back at the main menu (or the
// window closes, or the frame limit), then write the file.
int Record(const Options& o, bool scripted) {
    Replay replay;
    replay.settings = o.settings;
    if (!OpenSession(o.settings, o.data, !scripted)) return 2;
    if (!scripted) GameWindow->setMaxFrameRate(MAX_FRAME_RATE);
    Script script = o.script;
    const double wallStart = WallMs();
    FrameStart = (int)wallStart;
    FrameCount = 0;
    int stageFrames = 0;
    for (long frame = 1; frame <= o.maxFrames; ++frame) {
        if (!scripted && (!GameWindow || GameWindow->isQuitRequested())) break;
        const ReplayFrame f = scripted ? ScriptedInput(script, frame) : ReadDevices();
        replay.frames.push_back(f);
        RunFrame(f, !scripted);
        if (frame % o.every == 0 || GameState == GS_MAIN_MENU)
            replay.expected.push_back({frame, GameDigest()});
        if (GameState == GS_MAIN_MENU) break;
        if (o.untilStage > 0 && currentStage >= o.untilStage && GameState == GS_PLAYING &&
            ++stageFrames == 100) {
            replay.expected.push_back({frame, GameDigest()});
            break;
        }
    }
    if (replay.expected.empty() || replay.expected.back().frame != (long)replay.frames.size())
        replay.expected.push_back({(long)replay.frames.size(), GameDigest()});
    CloseSession(o.showLog);
    std::string how = o.note.empty() ? "" : o.note + "\n";
    how += scripted ? "autoplay " + o.args + "\n(played by the scripted player of k3d-replay)"
                    : "recorded by k3d-replay record " + o.args;
    if (!WriteReplay(o.file.c_str(), replay, how)) {
        std::fprintf(stderr, "k3d-replay: cannot write %s\n", o.file.c_str());
        return 2;
    }
    std::printf("%s: %zu frames, last digest %s\n", o.file.c_str(), replay.frames.size(),
                replay.expected.back().text.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    const std::string mode = argc > 1 ? argv[1] : "";
    if ((mode != "play" && mode != "record" && mode != "autoplay") || !ParseOptions(argc, argv, &o)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    if (mode == "play") return Play(o);
    return Record(o, mode == "autoplay");
}
