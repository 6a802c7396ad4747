// Polled keyboard and mouse over SDL's state, with the Windows key codes
// kept in the table. Presses seen in the event queue are latched for one
// frame: a tap shorter than a frame would be missed by state polling.
#include "platform/platform_local.h"

#include <SDL.h>

#include <cstdio>

KeyTableEntry KeyTable[KEY_COUNT + 1];

// Scancodes by engine number, built beside KeyTable.
static SDL_Scancode KeyScancodes[KEY_COUNT];
static bool KeyLatched[KEY_COUNT];
static bool ButtonLatched[4];
static SDL_Window* InputWindow = nullptr;
int CursorDisplayCount = 0;

static int MapOffsetX = 0, MapOffsetY = 0;
static int MapDrawWidth = 0, MapDrawHeight = 0;
static int MapGameWidth = 0, MapGameHeight = 0;

// Relative mode: window pixels moved since the last read, and what is left
// over of earlier reads in 1/drawSize of a game pixel, so that motion
// slower than one game pixel per frame still adds up.
static bool RelativeMouse = false;
static int MotionX = 0, MotionY = 0;
static int64_t MotionRestX = 0, MotionRestY = 0;

namespace {

struct KeyRow {
    uint16_t virtualKey;
    SDL_Scancode scancode;
};

// Rows 0..24 and 76..99 of the table; letters, digits and the keypad are
// filled in by range.
const KeyRow FixedRows[] = {
    {0x25, SDL_SCANCODE_LEFT},   {0x26, SDL_SCANCODE_UP},        {0x28, SDL_SCANCODE_DOWN},
    {0x27, SDL_SCANCODE_RIGHT},  {0x20, SDL_SCANCODE_SPACE},     {0xA0, SDL_SCANCODE_LSHIFT},
    {0xA1, SDL_SCANCODE_RSHIFT}, {0x0D, SDL_SCANCODE_RETURN},    {0xA3, SDL_SCANCODE_RCTRL},
    {0xA2, SDL_SCANCODE_LCTRL},  {0x70, SDL_SCANCODE_F1},        {0x71, SDL_SCANCODE_F2},
    {0x72, SDL_SCANCODE_F3},     {0x73, SDL_SCANCODE_F4},        {0x74, SDL_SCANCODE_F5},
    {0x75, SDL_SCANCODE_F6},     {0x76, SDL_SCANCODE_F7},        {0x77, SDL_SCANCODE_F8},
    {0x78, SDL_SCANCODE_F9},     {0x79, SDL_SCANCODE_F10},       {0x7A, SDL_SCANCODE_F11},
    {0x7B, SDL_SCANCODE_F12},    {0x08, SDL_SCANCODE_BACKSPACE}, {0x09, SDL_SCANCODE_TAB},
    {0x1B, SDL_SCANCODE_ESCAPE},
};

const KeyRow TailRows[] = {
    {0x0C, SDL_SCANCODE_CLEAR},        {0x12, SDL_SCANCODE_LALT},
    {0x5B, SDL_SCANCODE_LGUI},         {0x5C, SDL_SCANCODE_RGUI},
    {0x90, SDL_SCANCODE_NUMLOCKCLEAR}, {0x91, SDL_SCANCODE_SCROLLLOCK},
    {0xBA, SDL_SCANCODE_SEMICOLON},    {0xBB, SDL_SCANCODE_EQUALS},
    {0xBC, SDL_SCANCODE_COMMA},        {0xBD, SDL_SCANCODE_MINUS},
    {0xBE, SDL_SCANCODE_PERIOD},       {0xBF, SDL_SCANCODE_SLASH},
    {0xC0, SDL_SCANCODE_GRAVE},        {0xDB, SDL_SCANCODE_LEFTBRACKET},
    {0xDC, SDL_SCANCODE_BACKSLASH},    {0xDD, SDL_SCANCODE_RIGHTBRACKET},
    {0xDE, SDL_SCANCODE_APOSTROPHE},   {0x23, SDL_SCANCODE_END},
    {0x24, SDL_SCANCODE_HOME},         {0x2E, SDL_SCANCODE_DELETE},
    {0x2D, SDL_SCANCODE_INSERT},       {0x2C, SDL_SCANCODE_PRINTSCREEN},
    {0x21, SDL_SCANCODE_PAGEUP},       {0x22, SDL_SCANCODE_PAGEDOWN},
};

const KeyRow KeypadRows[] = {
    {0x60, SDL_SCANCODE_KP_0},     {0x61, SDL_SCANCODE_KP_1},        {0x62, SDL_SCANCODE_KP_2},
    {0x63, SDL_SCANCODE_KP_3},     {0x64, SDL_SCANCODE_KP_4},        {0x65, SDL_SCANCODE_KP_5},
    {0x66, SDL_SCANCODE_KP_6},     {0x67, SDL_SCANCODE_KP_7},        {0x68, SDL_SCANCODE_KP_8},
    {0x69, SDL_SCANCODE_KP_9},     {0x6A, SDL_SCANCODE_KP_MULTIPLY}, {0x6B, SDL_SCANCODE_KP_PLUS},
    {0x6D, SDL_SCANCODE_KP_MINUS}, {0x6E, SDL_SCANCODE_KP_PERIOD},   {0x6F, SDL_SCANCODE_KP_DIVIDE},
};

void SetRow(int key, uint16_t virtualKey, SDL_Scancode scancode) {
    KeyTable[key].key = key;
    KeyTable[key].virtualKey = virtualKey;
    KeyScancodes[key] = scancode;
}

// Built before main runs, so lookups work before initInput.
struct KeyTableBuilder {
    KeyTableBuilder() {
        int key = 0;
        for (const KeyRow& row : FixedRows)
            SetRow(key++, row.virtualKey, row.scancode);
        for (int i = 0; i < 26; ++i) {
            SetRow(K_A + i, (uint16_t)(0x41 + i), (SDL_Scancode)(SDL_SCANCODE_A + i));
        }
        SetRow(K_0, 0x30, SDL_SCANCODE_0);
        for (int i = 1; i < 10; ++i) {
            SetRow(K_0 + i, (uint16_t)(0x30 + i), (SDL_Scancode)(SDL_SCANCODE_1 + i - 1));
        }
        key = K_NUMPAD0;
        for (const KeyRow& row : KeypadRows)
            SetRow(key++, row.virtualKey, row.scancode);
        key = K_CLEAR;
        for (const KeyRow& row : TailRows)
            SetRow(key++, row.virtualKey, row.scancode);
        KeyTable[KEY_COUNT].key = KEY_NONE;
        KeyTable[KEY_COUNT].virtualKey = 9999;
    }
};
const KeyTableBuilder Builder;

} // namespace

int scancodeOfKey(int key) {
    if (key < 0 || key >= KEY_COUNT) return SDL_SCANCODE_UNKNOWN;
    return KeyScancodes[key];
}

int keyOfVirtualKey(int virtualKey) {
    for (int i = 0; i < KEY_COUNT; ++i) {
        if (KeyTable[i].virtualKey == virtualKey) return KeyTable[i].key;
    }
    return KEY_NONE;
}

int keyOfScancode(int scancode) {
    if (scancode == SDL_SCANCODE_UNKNOWN) return KEY_NONE;
    if (scancode == SDL_SCANCODE_RALT) return K_ALT; // Alt is either Alt key
    for (int i = 0; i < KEY_COUNT; ++i) {
        if (KeyScancodes[i] == scancode) return i;
    }
    return KEY_NONE;
}

void initInput(KWindow* window) {
    InputWindow = window ? static_cast<SDL_Window*>(window->getWindowHandle()) : nullptr;
    clearInputLatches();
    // A new window starts with a free pointer; whoever steers by motion
    // asks for relative mode again.
    setRelativeMouse(false);
}

void clearInputLatches() {
    for (bool& latch : KeyLatched)
        latch = false;
    for (bool& latch : ButtonLatched)
        latch = false;
}

void latchKey(int key) {
    if (key >= 0 && key < KEY_COUNT) KeyLatched[key] = true;
}

void latchButton(int button) {
    if (button >= 1 && button <= 3) ButtonLatched[button] = true;
}

bool isKeyHeldNow(int key) {
    if (key < 0 || key >= KEY_COUNT || !SDL_WasInit(SDL_INIT_VIDEO)) return false;
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    const int scancode = KeyScancodes[key];
    if (scancode > 0 && scancode < count && state[scancode]) return true;
    return key == K_ALT && SDL_SCANCODE_RALT < count && state[SDL_SCANCODE_RALT];
}

bool isKeyDown(int key) {
    if (key < 0 || key >= KEY_COUNT) return false;
    return KeyLatched[key] || isKeyHeldNow(key);
}

void waitKeyUp(int key) {
    // Only the physical state counts here: the latch would hold it down.
    while (isKeyHeldNow(key)) {
        SDL_Delay(1);
        SDL_PumpEvents();
    }
    if (key >= 0 && key < KEY_COUNT) KeyLatched[key] = false;
}

void SetInputMapping(int offsetX, int offsetY, int drawWidth, int drawHeight, int gameWidth,
                     int gameHeight) {
    MapOffsetX = offsetX;
    MapOffsetY = offsetY;
    MapDrawWidth = drawWidth;
    MapDrawHeight = drawHeight;
    MapGameWidth = gameWidth;
    MapGameHeight = gameHeight;
}

static void WindowToGame(int x, int y, int* gx, int* gy) {
    if (MapDrawWidth <= 0 || MapDrawHeight <= 0) {
        *gx = x;
        *gy = y;
        return;
    }
    *gx = (int)((int64_t)(x - MapOffsetX) * MapGameWidth / MapDrawWidth);
    *gy = (int)((int64_t)(y - MapOffsetY) * MapGameHeight / MapDrawHeight);
}

int16_t getMouseX() {
    int x = 0, y = 0, gx = 0, gy = 0;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_GetMouseState(&x, &y);
    WindowToGame(x, y, &gx, &gy);
    return (int16_t)gx;
}

int16_t getMouseY() {
    int x = 0, y = 0, gx = 0, gy = 0;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_GetMouseState(&x, &y);
    WindowToGame(x, y, &gx, &gy);
    return (int16_t)gy;
}

void setMousePosition(int x, int y) {
    if (InputWindow == nullptr) return;
    int wx = x, wy = y;
    if (MapGameWidth > 0 && MapGameHeight > 0) {
        wx = MapOffsetX + (int)((int64_t)x * MapDrawWidth / MapGameWidth);
        wy = MapOffsetY + (int)((int64_t)y * MapDrawHeight / MapGameHeight);
    }
    SDL_WarpMouseInWindow(InputWindow, wx, wy);
}

void setRelativeMouse(bool on) {
    if (on == RelativeMouse) return;
    RelativeMouse = on;
    MotionX = MotionY = 0;
    MotionRestX = MotionRestY = 0;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    if (SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE) != 0 && on) {
        // Motion still counts, but the pointer may stop at the screen's edge.
        std::fprintf(stderr, "INPUT: no relative mouse mode: %s\n", SDL_GetError());
    }
}

bool isRelativeMouse() {
    return RelativeMouse;
}

void addMouseMotion(int dx, int dy) {
    if (!RelativeMouse) return;
    MotionX += dx;
    MotionY += dy;
}

// Window pixels to game pixels; the remainder stays for the next read.
static int ScaleMotion(int moved, int gameSize, int drawSize, int64_t* rest) {
    if (gameSize <= 0 || drawSize <= 0) return moved;
    *rest += (int64_t)moved * gameSize;
    const int64_t whole = *rest / drawSize;
    *rest -= whole * drawSize;
    return (int)whole;
}

void getMouseMotion(int* dx, int* dy) {
    *dx = ScaleMotion(MotionX, MapGameWidth, MapDrawWidth, &MotionRestX);
    *dy = ScaleMotion(MotionY, MapGameHeight, MapDrawHeight, &MotionRestY);
    MotionX = MotionY = 0;
}

static bool ButtonDown(int button, Uint32 mask) {
    if (ButtonLatched[button]) return true;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    return (SDL_GetMouseState(nullptr, nullptr) & mask) != 0;
}

bool isLeftButtonDown() {
    return ButtonDown(1, SDL_BUTTON_LMASK);
}
bool isRightButtonDown() {
    return ButtonDown(2, SDL_BUTTON_RMASK);
}

int changeCursorCount(bool show) {
    CursorDisplayCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(CursorDisplayCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return CursorDisplayCount;
}

void showSystemCursor() {
    while (changeCursorCount(true) < 0) {
    }
}

void hideSystemCursor() {
    while (changeCursorCount(false) >= 0) {
    }
}
