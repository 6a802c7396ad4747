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

void InitExeDirectory();
const char* GetExeDirectory();
// Joins a game-relative path ("Texture\\font.tga", "/Orvi/quon.cfg") to the
// executable directory. Every back slash becomes a slash. The result lives
// in PathBuffer until the next call: copy it before joining again.
const char* pathJoin(const char* relative);
void showMessageBox(const char* title, const char* text);

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
    K_LEFT = 0, K_UP = 1, K_DOWN = 2, K_RIGHT = 3, K_SPACE = 4,
    K_LSHIFT = 5, K_RSHIFT = 6, K_RETURN = 7, K_RCONTROL = 8, K_LCONTROL = 9,
    K_F1 = 10, K_F12 = 21, K_BACKSPACE = 22, K_TAB = 23, K_ESCAPE = 24,
    K_A = 25, K_Z = 50, K_0 = 51, K_9 = 60,
    K_NUMPAD0 = 61, K_CLEAR = 76, K_ALT = 77, K_LWIN = 78, K_RWIN = 79,
    K_NUMLOCK = 80, K_SCROLLLOCK = 81, K_OEM_FIRST = 82,
    K_END = 93, K_HOME = 94, K_DELETE = 95, K_INSERT = 96, K_PRINTSCREEN = 97,
    K_PAGEUP = 98, K_PAGEDOWN = 99,
    KEY_COUNT = 100,  // engine key numbers 0..99
    KEY_NONE = 100,   // "no such key"
};

struct KeyTableEntry {
    int32_t key;        // engine key number
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
bool isLeftButtonDown();
bool isRightButtonDown();
// The system cursor's display count: shown at 0 and above, hidden below.
extern int CursorDisplayCount;
void showSystemCursor();
void hideSystemCursor();

// ---------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------
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
    virtual void resetView() = 0;                                                   // 0
    virtual void setView(float x, float y, float angle, float zoom, bool clear) = 0; // 1
    virtual void setClearColor(float r, float g, float b, float a) = 0;             // 2
    virtual ~KWindow() {}                                                           // 3
    virtual bool createWindow(int width, int height, int depth, bool windowed,
                              const char* title) = 0;                               // 4
    virtual void setParentWindow(void* parent) = 0;                                 // 5
    virtual void requestQuit() = 0;                                                 // 6
    virtual bool setFullScreen(bool on) = 0;                                        // 7
    virtual bool isForeground() = 0;                                                // 8
    virtual void setTitle(const char* title) = 0;                                   // 9
    virtual void flipBackBuffer(bool waitWhileInactive, bool resetViewAfter) = 0;   // 10
    virtual void processEvents() = 0;                                               // 11
    virtual bool isQuitRequested() = 0;                                             // 12
    virtual void setQuitRequested(bool quit) = 0;                                   // 13
    virtual void* getWindowHandle() = 0;                                            // 14
    virtual void setMaxFrameRate(int fps) = 0;                                      // 15
    virtual bool applyTextureRectangleSupport() = 0;                                // 16
    virtual bool isHardwareAccelerated() = 0;                                       // 17
    virtual void setTextureRectangleSupport(bool on) = 0;                           // 18
    virtual void setBrightness(float brightness) = 0;                               // 19
    virtual int getWidth() = 0;                                                     // 20
    virtual int getHeight() = 0;                                                    // 21
    virtual void restoreWindow() = 0;                                               // 22
    virtual void minimizeWindow() = 0;                                              // 23
    virtual void setSoftwareCursor(bool on) = 0;                                    // 24
    virtual bool saveScreenshot(const char* path, int format, int width, int height) = 0; // 25
    virtual void setClipRect(int left, int top, int right, int bottom) = 0;         // 26
    virtual void setMessageHook(KMessageHook hook) = 0;                             // 27
    virtual void setEventCallback(KEventCallback callback) = 0;                     // 28
    virtual void enumDisplayModes(KDisplayModeCallback callback) = 0;               // 29
};

// Returns the OpenGL window (never anything else: the game asks for OpenGL),
// or null when it cannot be allocated.
KWindow* createWindowObject(bool openGL, bool depthBuffer);
