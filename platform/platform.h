// The engine's platform layer on SDL2: the window behind the KWindow
// interface, the engine clock, polled keyboard and mouse with the Windows
// key table, the system cursor, the executable directory and path joining.
// It knows nothing of the game.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Files and paths
// ---------------------------------------------------------------------------
enum { MAX_PATH_CHARS = 260 };

extern char ExeDirectory[MAX_PATH_CHARS]; // no trailing slash; empty until known
extern char PathBuffer[MAX_PATH_CHARS];   // result of the last pathJoin

// Where the game's files are. The data is read from `data`; what the game
// writes (settings, scores, screenshots) lives in `user`, its log in `log`.
// All three are the executable's directory when it holds the data and may
// be written (the build tree, an unpacked folder). Otherwise the data is
// <prefix>/share/k3d found from the executable, and the player's files go
// to $XDG_DATA_HOME/k3d and $XDG_STATE_HOME/k3d, never under the prefix.
struct GameDirectories {
    char data[MAX_PATH_CHARS];
    char user[MAX_PATH_CHARS];
    char log[MAX_PATH_CHARS];
    bool besideExecutable; // user and log are the executable's directory
};
extern GameDirectories GameDirs;
// The data tree's place relative to the executable's directory when
// installed ("../share/k3d" for the usual bin/ and share/).
extern const char* const InstalledDataFromExe;
// Fills dirs for an executable in exeDir from the file system and from
// XDG_DATA_HOME, XDG_STATE_HOME and HOME. Creates nothing.
void ResolveGameDirectories(const char* exeDir, GameDirectories* dirs);
// True when dir holds the game's data tree.
bool HoldsGameData(const char* dir);

// Finds the executable's directory and resolves GameDirs from it.
void InitExeDirectory();
const char* GetExeDirectory();
// For tests: pretend the executable lives in dir (no trailing slash) with
// its data and every file it writes beside it.
void SetExeDirectory(const char* dir);
// Joins a game-relative path ("Texture\\font.tga", "/Orvi/quon.cfg") to the
// data directory. Every back slash becomes a slash. The result lives in
// PathBuffer until the next call: copy it before joining again.
const char* pathJoin(const char* relative);
// The same into the caller's buffer, so a worker thread may join paths once
// the directories are known (InitExeDirectory has run).
void dataPathJoin(char out[MAX_PATH_CHARS], const char* relative);
// The same for a file the game writes (or reads back): joined to the user
// directory. Away from the executable the folders on the way are made, so
// a first save succeeds. Shares PathBuffer with pathJoin.
const char* writablePathJoin(const char* relative);
// The log file's full path (folders made); kept until the next call.
const char* logFilePath(const char* name);
void showMessageBox(const char* title, const char* text);

// ---------------------------------------------------------------------------
// Background loader: one worker thread for the start-up's file work. Jobs
// run one at a time in the order they were started, so what is needed
// first is ready first, and the main thread keeps a core of its own.
// ---------------------------------------------------------------------------
struct LoaderJob {
    void (*run)(void* data); // must touch nothing the main thread uses meanwhile
    void* data;
    bool done; // read only through WaitLoaderJob and LoaderJobDone
};
// Queues the job (kept alive by the caller until it is done); false when
// no worker can be had, and the caller runs it itself.
bool StartLoaderJob(LoaderJob* job);
// Returns once a started job has run.
void WaitLoaderJob(LoaderJob* job);
// Whether a started job has run, without waiting for it.
bool LoaderJobDone(LoaderJob* job);

// ---------------------------------------------------------------------------
// Engine clock: a pausable millisecond clock, a sum of raw differences.
// ---------------------------------------------------------------------------
void initClock();
uint32_t rawMs();
uint32_t getClockMs();
// Drops the time since the last reading (after waiting while inactive).
void resyncClock();

// ---------------------------------------------------------------------------
// Keyboard and mouse, polled. Key presses shorter than a frame are latched
// by the event pump so the next poll still sees them down.
// ---------------------------------------------------------------------------
enum {
    K_LEFT = 0,
    K_UP = 1,
    K_DOWN = 2,
    K_RIGHT = 3,
    K_SPACE = 4,
    K_LSHIFT = 5,
    K_RSHIFT = 6,
    K_RETURN = 7,
    K_RCONTROL = 8,
    K_LCONTROL = 9,
    K_F1 = 10,
    K_F12 = 21,
    K_BACKSPACE = 22,
    K_TAB = 23,
    K_ESCAPE = 24,
    K_A = 25,
    K_Z = 50,
    K_0 = 51,
    K_9 = 60,
    K_NUMPAD0 = 61,
    K_CLEAR = 76,
    K_ALT = 77,
    K_LWIN = 78,
    K_RWIN = 79,
    K_NUMLOCK = 80,
    K_SCROLLLOCK = 81,
    K_OEM_FIRST = 82,
    K_END = 93,
    K_HOME = 94,
    K_DELETE = 95,
    K_INSERT = 96,
    K_PRINTSCREEN = 97,
    K_PAGEUP = 98,
    K_PAGEDOWN = 99,
    KEY_COUNT = 100, // engine key numbers 0..99
    KEY_NONE = 100,  // "no such key"
};

struct KeyTableEntry {
    int32_t key;         // engine key number
    uint16_t virtualKey; // Windows virtual-key code
};
// 100 keys followed by the end entry {100, 9999}.
extern KeyTableEntry KeyTable[KEY_COUNT + 1];

class KWindow;
void initInput(KWindow* window);
bool isKeyDown(int key);
void waitKeyUp(int key);
int keyOfVirtualKey(int vk);
int16_t getMouseX();
int16_t getMouseY();
void setMousePosition(int x, int y);
// Relative mode: the pointer grabbed and hidden, motion read as distances
// (full screen steers by it). Turning it on or off drops unread motion.
void setRelativeMouse(bool on);
bool isRelativeMouse();
// Motion since the last call, in game pixels: window pixels scaled by the
// picture's scale on the window, the fraction of a pixel carried to the
// next call, so motion adds up one to one at any scale. Zero unless
// relative mode is on.
void getMouseMotion(int* dx, int* dy);
bool isLeftButtonDown();
bool isRightButtonDown();
// The system cursor's display count: shown at 0 and above, hidden below.
extern int CursorDisplayCount;
void showSystemCursor();
void hideSystemCursor();
// One step of the count as the system call makes it; returns the new count.
int changeCursorCount(bool show);

// SDL scancode of an engine key (0 when none), and back (KEY_NONE).
int scancodeOfKey(int key);
int keyOfScancode(int scancode);
// Latches of this frame: a press seen in the event queue reads as down
// until the next pump, however short it was. The window pumps every flip.
void clearInputLatches();
void latchKey(int key);
void latchButton(int button); // 1 left, 2 right, 3 middle
// The physical state of a key, without its latch.
bool isKeyHeldNow(int key);

// ---------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------
enum {
    KEVENT_OTHER = 0,
    KEVENT_MOUSE_MOVE = 1,
    KEVENT_BUTTON_UP = 2,
    KEVENT_BUTTON_DOWN = 3,
    KEVENT_CHARACTER = 5,
    KEVENT_KEY_DOWN = 6,
    KEVENT_KEY_UP = 7,
    KEVENT_DOUBLE_CLICK = 8,
    KEVENT_WHEEL = 11,
    KEVENT_CONTEXT_MENU = 12,
};
struct KWindowEvent {
    int32_t type; // 1 move, 2 button up, 3 button down, 5 char, 6 key down, 7 key up, ...
    int32_t x, y;
    int32_t button;
    int16_t wheel;
    uint8_t character;
    int32_t virtualKey;
    int32_t message;
    int32_t keyId;
    int32_t lParam;
};
struct KDisplayMode {
    int32_t width, height, bitsPerPixel, refreshRate;
};
typedef bool (*KMessageHook)(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
typedef bool (*KEventCallback)(KWindowEvent* event);
typedef bool (*KDisplayModeCallback)(KDisplayMode* mode);

enum { SCREENSHOT_BMP = 0, SCREENSHOT_JPEG = 1, SCREENSHOT_TGA = 2, SCREENSHOT_PNG = 3 };

// The window interface, operations in slot order.
class KWindow {
  public:
    virtual void resetView() = 0;                                                    // 0
    virtual void setView(float x, float y, float angle, float zoom, bool clear) = 0; // 1
    virtual void setClearColor(float r, float g, float b, float a) = 0;              // 2
    virtual ~KWindow() {}                                                            // 3
    virtual bool createWindow(int width, int height, int depth, bool windowed,
                              const char* title) = 0;                                     // 4
    virtual void setParentWindow(void* parent) = 0;                                       // 5
    virtual void requestQuit() = 0;                                                       // 6
    virtual bool setFullScreen(bool on) = 0;                                              // 7
    virtual bool isForeground() = 0;                                                      // 8
    virtual void setTitle(const char* title) = 0;                                         // 9
    virtual void flipBackBuffer(bool waitWhileInactive, bool resetViewAfter) = 0;         // 10
    virtual void processEvents() = 0;                                                     // 11
    virtual bool isQuitRequested() = 0;                                                   // 12
    virtual void setQuitRequested(bool quit) = 0;                                         // 13
    virtual void* getWindowHandle() = 0;                                                  // 14
    virtual void setMaxFrameRate(int fps) = 0;                                            // 15
    virtual bool applyTextureRectangleSupport() = 0;                                      // 16
    virtual bool isHardwareAccelerated() = 0;                                             // 17
    virtual void setTextureRectangleSupport(bool on) = 0;                                 // 18
    virtual void setBrightness(float brightness) = 0;                                     // 19
    virtual int getWidth() = 0;                                                           // 20
    virtual int getHeight() = 0;                                                          // 21
    virtual void restoreWindow() = 0;                                                     // 22
    virtual void minimizeWindow() = 0;                                                    // 23
    virtual void setSoftwareCursor(bool on) = 0;                                          // 24
    virtual bool saveScreenshot(const char* path, int format, int width, int height) = 0; // 25
    virtual void setClipRect(int left, int top, int right, int bottom) = 0;               // 26
    virtual void setMessageHook(KMessageHook hook) = 0;                                   // 27
    virtual void setEventCallback(KEventCallback callback) = 0;                           // 28
    virtual void enumDisplayModes(KDisplayModeCallback callback) = 0;                     // 29
    // A frame whose picture is already on the screen: pumps the events and
    // waits out the frame cap as a flip does, and presents nothing.
    virtual void holdFrame() = 0; // 30
    // The screen no longer shows the last flip (exposed, resized, a new
    // window) or a screenshot waits for the next flip: flip, do not hold.
    virtual bool needsFlip() = 0; // 31
};

// Returns the OpenGL window (never anything else: the game asks for OpenGL),
// or null when it cannot be allocated.
KWindow* createWindowObject(bool openGL, bool depthBuffer);

// Brings up SDL's video on a real display driver: never SDL's silent
// offscreen fallback, unless SDL_VIDEODRIVER asks for it. False: no display.
bool initVideo();

// True once after the window lost the keyboard focus or was minimised
// (seen by the event pump); reading it clears it.
bool takeFocusLoss();

// Number of the last screenshot written by the key (0 before the first).
extern int ScreenshotCounter;

// The OpenGL window on SDL2. Full screen is the desktop-sized window; the
// game then draws at its own size into an offscreen frame that the flip
// scales, letterboxed 4:3, onto the screen.
class KWindowGL : public KWindow {
  public:
    explicit KWindowGL(bool depthBuffer);
    ~KWindowGL() override;

    void resetView() override;
    void setView(float x, float y, float angle, float zoom, bool clear) override;
    void setClearColor(float r, float g, float b, float a) override;
    bool createWindow(int width, int height, int depth, bool windowed, const char* title) override;
    void setParentWindow(void* parent) override;
    void requestQuit() override;
    bool setFullScreen(bool on) override;
    bool isForeground() override;
    void setTitle(const char* title) override;
    void flipBackBuffer(bool waitWhileInactive, bool resetViewAfter) override;
    void processEvents() override;
    bool isQuitRequested() override;
    void setQuitRequested(bool quit) override;
    void* getWindowHandle() override;
    void setMaxFrameRate(int fps) override;
    bool applyTextureRectangleSupport() override;
    bool isHardwareAccelerated() override;
    void setTextureRectangleSupport(bool on) override;
    void setBrightness(float brightness) override;
    int getWidth() override;
    int getHeight() override;
    void restoreWindow() override;
    void minimizeWindow() override;
    void setSoftwareCursor(bool on) override;
    bool saveScreenshot(const char* path, int format, int width, int height) override;
    void setClipRect(int left, int top, int right, int bottom) override;
    void setMessageHook(KMessageHook hook) override;
    void setEventCallback(KEventCallback callback) override;
    void enumDisplayModes(KDisplayModeCallback callback) override;
    void holdFrame() override;
    bool needsFlip() override;

    // Where the game's picture lands on the drawable, GL coordinates.
    void getPresentRect(int* x, int* y, int* width, int* height);
    int getFramePeriodMs() const { return framePeriodMs; }
    bool hasOffscreenFrame() const { return offscreenFrame != 0; }
    bool isFullScreen() const { return fullScreen; }

  private:
    void handleEvent(const void* event);
    bool createOffscreenFrame();
    void destroyOffscreenFrame();
    void updateInputMapping();
    void drawSoftwareCursor();
    void darkenFrame();
    void waitFrameCap(uint32_t flipStartMs);

    void* parentWindow;
    float clearColor[4];
    void* glContext;
    void* window; // the SDL_Window
    KMessageHook messageHook;
    KEventCallback eventCallback;
    bool extensionsProbed;
    bool hasSwapControl;
    bool fullScreen;
    int16_t width, height, depth;
    int32_t framePeriodMs;
    bool textureRectangle;
    bool hardwareAccelerated;
    bool wantDepthBuffer;
    float brightness;
    bool quitRequested;
    bool softwareCursor;
    // The full-screen offscreen frame (GL names, 0 = none).
    uint32_t offscreenFrame, offscreenColour, offscreenDepth;
    bool foreground;
    char pendingShot[MAX_PATH_CHARS]; // taken at the next flip; "" = none
    bool pictureLost; // the screen may not show the last flip any more
};
