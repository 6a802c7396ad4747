// The application shell: start-up and the frame loop, the game log, the
// configuration and the video-mode tables.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>

class KWindow;

// ---------------------------------------------------------------------------
// Game log: one line per message, opened, appended, flushed and closed each
// time. The game's is "log.txt" in the log directory (logFilePath).
// ---------------------------------------------------------------------------
enum { LOG_FATAL = 0, LOG_WARNING = 1, LOG_INFO = 2, LOG_DEBUG = 3 };
enum { LOG_MESSAGE_MAX = 5000 };

class GameLog {
  public:
    explicit GameLog(const char* fileName = "log.txt");
    ~GameLog();
    GameLog(const GameLog&) = delete;
    GameLog& operator=(const GameLog&) = delete;
    // Accepts 0..2; anything else is refused and changes nothing.
    bool setLevel(int level);
    // Writes when the type passes the level filter; always returns true.
    bool write(int type, const char* message);

    char fileName[256];
    int32_t level;
    std::FILE* file; // open for the whole run, each line flushed; null if unwritable
};

extern GameLog* MainLog;
// printf-style, written at "info". Overloads the C math logf by its arguments.
void logf(GameLog* log, const char* format, ...) __attribute__((format(printf, 2, 3)));
// "%s %s\n" of tag and text to the process-wide log.
void logTagged(const char* tag, const char* text);
// The one fatal path: a "fatal" line in the log, one line on stderr, exit 1.
[[noreturn]] void FatalExit(const char* text);

// ---------------------------------------------------------------------------
// Video modes, window, frame timing
// ---------------------------------------------------------------------------
enum { VIDEO_MODE_COUNT = 5, DEPTH_COUNT = 2 };
enum { FRAME_WINDOW = 128, MIN_FRAME_MS = 5, MAX_FRAME_MS = 100, MAX_FRAME_RATE = 80 };
extern int ScreenWidths[VIDEO_MODE_COUNT];  // 400 640 800 1152 1280
extern int ScreenHeights[VIDEO_MODE_COUNT]; // 300 480 600 864 1024
extern const int ColourDepths[DEPTH_COUNT]; // 16 32
int ScreenWidth();                          // of the current mode
int ScreenHeight();
int ScreenDepth(); // bits of the current depth entry

extern KWindow* GameWindow; // the one window; null until created
extern bool GlReady;        // the OpenGL start-up state is set
extern int FrameStart, FrameCount, FrameMs, FpsEstimate;

// Monotonic wall clock in ms since process start, or the offline clock.
double GameClockMs();
// Tests and replays run the game on an offline clock that moves only when
// told, so the holds and the stage clock repeat exactly from run to run.
void UseOfflineClock(double startMs);
void AdvanceOfflineClock(double ms); // no effect on the wall clock
void UseWallClock();

// The frame-timing rule as a pure step: given the clock now, advances
// FrameCount / FrameStart and sets FrameMs and FpsEstimate.
void UpdateFrameTiming(double nowMs);

// Blocks of LARGE_BLOCK_BYTES and more are mapped apart and given back to
// the system when freed, so memory stays flat over episode starts. The
// first thing RunGame does.
enum { LARGE_BLOCK_BYTES = 128 * 1024 };
void KeepLargeBlocksMapped();
[[noreturn]] void RunGame();
[[noreturn]] void ExitGame();
void CreateGameWindow(int width, int height, int depth, bool windowed);
void SetProjection(int width, int height);
// Destroys the window as on exit (quit request, delete, null pointer),
// without ending the process.
void DestroyGameWindow();

// ---------------------------------------------------------------------------
// Configuration: "Orvi\quon.cfg", 30 digit characters, the cells of the
// setup screen's table.
// ---------------------------------------------------------------------------
extern int VideoModeIndex; // 0..4
extern int DepthIndex;     // 0..1
extern bool FullScreen;
extern int MusicVolume;        // 0, 10, 30, 50, 70
extern int ViewAngle;          // degrees: 0, -25, -50, -75, -90
extern int BonusChanceDivisor; // 10, 20, 30, 3
extern bool ShowFpsOption;
extern int16_t UseBumper;

enum { CONFIG_BYTES = 30, CONFIG_ITEMS = 5 };
extern const char DefaultConfig[31];
extern const char ConfigFileName[]; // "Orvi\\quon.cfg", joined by pathJoin

// Sets the cells from count file bytes; a missing byte or one outside
// '0'..'5' keeps its cell. Returns how many cells were kept that way.
int ReadConfigBytes(const char* bytes, int count);
// The 30 file bytes of the current cells.
void WriteConfigBytes(char out[CONFIG_BYTES]);

void LoadConfig();
void SaveConfig();
void WriteDefaultConfig();
void ApplyConfig();
void ApplyVideoChange();
